#include <controls/about_dialog.h>
#include <controls/check_list_ctrl.h>
#include <controls/folder_tree_ctrl.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QDesktopServices>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

using controls::CFolderTreeCtrl1;
using notes::TreeNodeId;

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    void treeNodesAndRecords();
    void treeCheckBoxClicksFollowTheParentRules();
    void treeTextClickSelectsAndExpandButtonOnlyToggles();
    void treeNodesOfferCheckAndSelectToAssistiveTools();
    void listHeaderBoxFollowsTheRows();
    void listHeaderClicks();
    void aboutLinksOpenTheirTargets();
};

namespace {

struct Fixture {
    Fixture() {
        tree.resize(300, 200);
        tree.Init();
        people = tree.SelectFolder("Lotus Notes\\People\\", 3, records);
        contacts = tree.SelectFolder("Lotus Notes\\Contacts\\", 5, records);
        root = tree.Model().Get(people).parent;
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
    }
    void Click(const QPoint& point) { QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, point); }
    void ClickBox(TreeNodeId h) { Click(tree.CheckBoxRect(h).center()); }
    void ClickText(TreeNodeId h) {
        QRect r = tree.visualItemRect(tree.ItemFor(h));
        Click(QPoint(r.right() - 5, r.center().y()));
    }
    CFolderTreeCtrl1 tree;
    notes::FolderStructureList records;
    TreeNodeId people = 0, contacts = 0, root = 0;
};

}  // namespace

void ControlsTest::treeNodesAndRecords() {
    Fixture f;
    QCOMPARE(f.tree.topLevelItemCount(), 1);
    QTreeWidgetItem* root = f.tree.topLevelItem(0);
    QCOMPARE(root->text(0), QString("Lotus Notes"));
    QCOMPARE(root->childCount(), 2);
    QCOMPARE(root->child(0)->text(0), QString("Contacts"));
    QCOMPARE(root->child(1)->text(0), QString("People"));
    QVERIFY(root->isExpanded());
    auto records = f.records.Snapshot();
    QCOMPARE(int(records.size()), 2);
    QCOMPARE(records[0].folderName, std::string("People"));
    QCOMPARE(records[0].viewIndex, 3u);
    QCOMPARE(records[1].folderName, std::string("Contacts"));
    QCOMPARE(records[1].treeItem, f.contacts);
    QCOMPARE(f.tree.GetCheck(f.people), 0);
    QCOMPARE(root->checkState(0), Qt::Unchecked);

    f.tree.DeleteAllItems();
    QCOMPARE(f.tree.topLevelItemCount(), 0);
    QCOMPARE(f.tree.GetCheck(f.people), -1);
}

void ControlsTest::treeCheckBoxClicksFollowTheParentRules() {
    Fixture f;
    QSignalSpy selected(&f.tree, &CFolderTreeCtrl1::folderSelected);
    QTreeWidgetItem* rootItem = f.tree.ItemFor(f.root);
    struct Step {
        TreeNodeId* node;
        int root, people, contacts;
    } steps[] = {
        {&f.root, 1, 1, 1},      // ticking the root ticks every child
        {&f.people, 0, 0, 1},    // unticking one child empties the root
        {&f.people, 1, 1, 1},    // ticking it again fills the root
        {&f.contacts, 0, 1, 0},
        {&f.root, 1, 1, 1},
        {&f.root, 0, 0, 0},
    };
    for (const Step& s : steps) {
        f.ClickBox(*s.node);
        QCOMPARE(f.tree.GetCheck(f.root), s.root);
        QCOMPARE(f.tree.GetCheck(f.people), s.people);
        QCOMPARE(f.tree.GetCheck(f.contacts), s.contacts);
        QCOMPARE(rootItem->checkState(0), s.root ? Qt::Checked : Qt::Unchecked);
        QCOMPARE(f.tree.ItemFor(f.people)->checkState(0), s.people ? Qt::Checked : Qt::Unchecked);
    }
    QCOMPARE(selected.count(), 0);  // check-box clicks select nothing
}

void ControlsTest::treeTextClickSelectsAndExpandButtonOnlyToggles() {
    Fixture f;
    QSignalSpy selected(&f.tree, &CFolderTreeCtrl1::folderSelected);
    QTreeWidgetItem* rootItem = f.tree.ItemFor(f.root);
    QVERIFY(rootItem->isExpanded());

    // The expand button lies left of the node's own rectangle.
    const QRect r = f.tree.visualItemRect(rootItem);
    f.Click(QPoint(r.left() - f.tree.indentation() / 2, r.center().y()));
    QVERIFY(!rootItem->isExpanded());
    QCOMPARE(selected.count(), 0);

    f.ClickText(f.root);
    QVERIFY(rootItem->isExpanded());
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.takeFirst().at(0).value<TreeNodeId>(), f.root);

    f.ClickText(f.contacts);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.takeFirst().at(0).value<TreeNodeId>(), f.contacts);
    QCOMPARE(f.tree.currentItem(), f.tree.ItemFor(f.contacts));
    QCOMPARE(f.tree.GetCheck(f.contacts), 0);
}

namespace {

std::vector<controls::CheckListRow> Rows(int n) {
    std::vector<controls::CheckListRow> rows{size_t(n)};
    for (int i = 0; i < n; ++i) rows[size_t(i)].text[2] = QString::number(i);
    return rows;
}

}  // namespace

void ControlsTest::treeNodesOfferCheckAndSelectToAssistiveTools() {
    Fixture f;
    QSignalSpy selected(&f.tree, &CFolderTreeCtrl1::folderSelected);
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(&f.tree);
    QVERIFY(tree);
    QCOMPARE(tree->role(), QAccessible::Tree);
    // The shown rows after the (hidden) header, as the view's own events count them.
    QCOMPARE(tree->childCount(), 4);
    QStringList names;
    for (int i = 1; i < tree->childCount(); ++i) names << tree->child(i)->text(QAccessible::Name);
    QCOMPARE(names, (QStringList{"Lotus Notes", "Contacts", "People"}));
    QAccessibleInterface* contacts = tree->child(2);
    QCOMPARE(tree->indexOfChild(contacts), 2);
    QCOMPARE(contacts->role(), QAccessible::TreeItem);
    QCOMPARE(contacts->parent(), tree);
    QVERIFY(contacts->state().checkable && !contacts->state().checked);
    QVERIFY(tree->child(1)->state().expanded);
    const QRect box = f.tree.CheckBoxRect(f.contacts);
    QVERIFY(contacts->rect().contains(f.tree.viewport()->mapToGlobal(box.center())));

    // Toggle ticks and unticks as a click on the box does, parent rules included.
    QAccessibleActionInterface* actions = contacts->actionInterface();
    QVERIFY(actions);
    QCOMPARE(actions->actionNames(), (QStringList{QAccessibleActionInterface::toggleAction(),
                                                  QAccessibleActionInterface::pressAction()}));
    actions->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(f.tree.GetCheck(f.contacts), 1);
    QVERIFY(contacts->state().checked);
    tree->child(3)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(f.tree.GetCheck(f.root), 1);
    actions->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(f.tree.GetCheck(f.contacts), 0);
    QCOMPARE(f.tree.GetCheck(f.root), 0);
    // Press selects the node, which lists its view.
    actions->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected[0][0].value<TreeNodeId>(), f.contacts);
    QVERIFY(contacts->state().selected);

    // A closed node hides its children; a cleared tree leaves no live node.
    f.tree.ItemFor(f.root)->setExpanded(false);
    QCOMPARE(tree->childCount(), 2);
    const QAccessible::Id id = QAccessible::uniqueId(contacts);
    f.tree.DeleteAllItems();
    QCOMPARE(tree->childCount(), 1);
    QAccessibleInterface* gone = QAccessible::accessibleInterface(id);
    QVERIFY(!gone || !gone->isValid());
}

void ControlsTest::listHeaderBoxFollowsTheRows() {
    controls::CCheckListCtrl list;
    list.SetColumns({{"", 50}, {"", 0}, {"NO", 50}});
    QCOMPARE(list.Init(), 1);
    QCOMPARE(list.Init(), 1);
    QCOMPARE(list.Header().HeaderImage(), 2);  // an empty list counts as all ticked
    list.Model().AppendRows(Rows(3));
    QCOMPARE(list.Header().HeaderImage(), 1);
    QVERIFY(list.isColumnHidden(1));
    QVERIFY(!list.isColumnHidden(2));

    struct Step {
        int row;
        bool checked;
        int header;
    } steps[] = {{0, true, 1}, {1, true, 1}, {2, true, 2}, {1, false, 1}, {1, true, 2}};
    for (const Step& s : steps) {
        QVERIFY(list.Model().setData(list.Model().index(s.row, 0), s.checked ? Qt::Checked : Qt::Unchecked,
                                     Qt::CheckStateRole));
        QCOMPARE(list.Header().HeaderImage(), s.header);
    }
    list.Model().AppendRows(Rows(1));
    QCOMPARE(list.Header().HeaderImage(), 1);
    list.DeleteAllRows();
    QCOMPARE(list.Model().CheckedCount(), 0);
    QCOMPARE(list.Header().HeaderImage(), 2);
}

void ControlsTest::listHeaderClicks() {
    controls::CCheckListCtrl list;
    list.resize(500, 300);
    list.SetColumns({{"", 50}, {"", 0}, {"NO", 80}, {"", 0}, {"Full Name", 100}});
    list.Init();
    list.Model().AppendRows(Rows(4));
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    auto& header = list.Header();
    auto clickSection = [&](int logical) {
        const int x = header.sectionViewportPosition(logical) + header.sectionSize(logical) / 2;
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, QPoint(x, header.height() / 2));
    };
    struct Step {
        int section;
        int checked;  // rows ticked afterwards
        int header;
    } steps[] = {{0, 4, 2}, {0, 0, 1}, {2, 0, 1}, {4, 0, 1}, {0, 4, 2}, {2, 4, 2}};
    for (const Step& s : steps) {
        clickSection(s.section);
        QCOMPARE(list.Model().CheckedCount(), s.checked);
        QCOMPARE(header.HeaderImage(), s.header);
    }
    // All ticked, then the header click unticks them all.
    clickSection(0);
    for (int r = 0; r < 4; ++r) QVERIFY(!list.Model().IsChecked(r));
}

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

void ControlsTest::aboutLinksOpenTheirTargets() {
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("https", &recorder, "open");
    QDesktopServices::setUrlHandler("mailto", &recorder, "open");
    controls::CAboutDlg about;
    QCOMPARE(about.windowTitle(), QString("About Ferrywell Ver 2.2"));
    for (const auto& link : controls::kAboutLinks) {
        auto* label = about.findChild<QLabel*>(QString("id%1").arg(link.id));
        QVERIFY(label);
        emit label->linkActivated(QString::fromUtf8(link.target));
    }
    QCOMPARE(recorder.urls.size(), 4);
    QCOMPARE(recorder.urls[1].scheme(), QString("mailto"));
    QVERIFY(recorder.urls[1].query().contains("subject="));
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("mailto");
}

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"
