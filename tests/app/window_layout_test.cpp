#include "test_support.h"

#include <app/ferrywell_dlg.h>
#include <app/window_layout.h>

#include <QLabel>
#include <QPointer>
#include <QRubberBand>
#include <QSizeGrip>
#include <QSplitter>
#include <QStatusBar>
#include <QtTest>

#include <cmath>

using app::CFerrywellDlg;

namespace {

// A widget's rectangle in the window's coordinates.
QRect InWindow(const QWidget* widget) {
    return QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
}

void Settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

}  // namespace

class WindowLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void panesKeepTheirMarginsAndRoom();
    void wideningMovesTheLogoAndStretchesTheLine();
    void barsShowALineAndStopAtTheEdge_data();
    void barsShowALineAndStopAtTheEdge();
    void maximisingHidesTheSizeGrip();
    void treeAndListShareANarrowerWindow();

private:
    QWidget* Child(const char* id) { return dlg->findChild<QWidget*>(id); }
    std::unique_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<CFerrywellDlg> dlg;
};

void WindowLayoutTest::init() {
    dialogs = std::make_unique<ScriptedDialogs>();
    dlg = std::make_unique<CFerrywellDlg>(std::make_shared<app::FerrywellState>());
    dlg->SetExitHandler([](int) {});
    dlg->resize(1000, 700);
    dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
    Settle();
}

void WindowLayoutTest::cleanup() {
    dlg.reset();
    dialogs.reset();
}

void WindowLayoutTest::panesKeepTheirMarginsAndRoom() {
    const QRect tree = InWindow(Child("id1003"));
    const QRect list = InWindow(Child("id1004"));
    const QRect preview = InWindow(Child("id1005"));
    const QRect toolbar = InWindow(Child("toolbar"));
    QCOMPARE(toolbar.height(), app::kToolbarTop + app::kToolbarHeight);
    QCOMPARE(tree.left(), app::kLayoutMargin);
    QCOMPARE(tree.top(), toolbar.bottom() + 1 + app::kSeparatorHeight);
    // The filter box heads the list, as wide as it.
    const QRect filter = InWindow(Child("listFilter"));
    QCOMPARE(filter.top(), tree.top());
    QCOMPARE(list.top(), filter.bottom() + 1 + app::kFilterGap);
    QCOMPARE(filter.left(), list.left());
    QCOMPARE(filter.right(), list.right());
    QCOMPARE(list.right(), dlg->width() - 1 - app::kLayoutMargin);
    QCOMPARE(preview.right(), list.right());
    // Margin, status bar room, margin.
    QCOMPARE(tree.bottom(), dlg->height() - 1 - 2 * app::kLayoutMargin - app::kStatusBarRoom);
    QCOMPARE(preview.bottom(), tree.bottom());
    QCOMPARE(list.left() - tree.right() - 1, app::kVerticalBarWidth);
    QCOMPARE(preview.top() - list.bottom() - 1, app::kHorizontalBarHeight);
    QCOMPARE(dlg->statusBar()->height(), app::kStatusBarRoom);
}

void WindowLayoutTest::wideningMovesTheLogoAndStretchesTheLine() {
    QWidget* logo = Child("id1035");
    QWidget* line = Child("id1036");
    QWidget* progress = Child("id1017");
    const QRect logoBefore = InWindow(logo), lineBefore = InWindow(line), progressBefore = InWindow(progress);
    QVERIFY(dlg->width() - 1 - logoBefore.right() < 20);
    QVERIFY(InWindow(Child("toolbar")).contains(logoBefore));

    dlg->resize(1100, 750);
    Settle();
    const QRect logoAfter = InWindow(logo), lineAfter = InWindow(line), progressAfter = InWindow(progress);
    QCOMPARE(logoAfter.topLeft(), logoBefore.topLeft() + QPoint(100, 0));
    QCOMPARE(logoAfter.size(), logoBefore.size());
    QCOMPARE(lineAfter.left(), lineBefore.left());
    QCOMPARE(lineAfter.top(), lineBefore.top());
    QCOMPARE(lineAfter.width(), lineBefore.width() + 100);
    // The progress bar keeps to the bottom left.
    QCOMPARE(progressAfter.left(), progressBefore.left());
    QCOMPARE(progressAfter.bottom(), progressBefore.bottom() + 50);
}

void WindowLayoutTest::barsShowALineAndStopAtTheEdge_data() {
    QTest::addColumn<QString>("bar");
    QTest::newRow("vertical, past the right edge") << "id1013";
    QTest::newRow("horizontal, past the bottom edge") << "id1014";
}

void WindowLayoutTest::barsShowALineAndStopAtTheEdge() {
    QFETCH(QString, bar);
    auto* splitter = dlg->findChild<QSplitter*>(bar);
    QVERIFY(splitter);
    const bool vertical = splitter->orientation() == Qt::Horizontal;
    QSplitterHandle* handle = splitter->handle(1);
    QWidget* before = splitter->widget(0);
    QWidget* after = splitter->widget(1);
    const QRect beforeStart = InWindow(before);
    const QPoint grab = handle->rect().center();
    const QPoint beyond = grab + (vertical ? QPoint(dlg->width() + 300, 0) : QPoint(0, dlg->height() + 300));

    QTest::mousePress(handle, Qt::LeftButton, {}, grab);
    QTest::mouseMove(handle, beyond);
    Settle();
    // While dragging only a line moves.
    QPointer<QRubberBand> line = splitter->findChild<QRubberBand*>();
    QVERIFY(line && line->isVisible());
    QCOMPARE(InWindow(before), beforeStart);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, beyond);
    Settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(line.isNull() || !line->isVisible());

    // The bar stops at the edge of the pane area and the panes follow it.
    const QRect bar1 = InWindow(handle);
    const QRect first = InWindow(before);
    if (vertical) {
        QCOMPARE(bar1.right(), dlg->width() - 1 - app::kLayoutMargin);
        QCOMPARE(first.right() + 1, bar1.left());
        QCOMPARE(first.left(), beforeStart.left());
        QVERIFY(!after->isVisible() || after->width() == 0);
    } else {
        QCOMPARE(bar1.bottom(), InWindow(Child("id1003")).bottom());
        QCOMPARE(first.bottom() + 1, bar1.top());
        QCOMPARE(first.top(), beforeStart.top());
        QVERIFY(!after->isVisible() || after->height() == 0);
    }
}

void WindowLayoutTest::maximisingHidesTheSizeGrip() {
    auto* grip = dlg->statusBar()->findChild<QSizeGrip*>();
    QVERIFY(grip);
    QVERIFY(grip->isVisible());
    dlg->showMaximized();
    Settle();
    QVERIFY(!grip->isVisible());
    dlg->showNormal();
    Settle();
    QVERIFY(grip->isVisible());
}

void WindowLayoutTest::treeAndListShareANarrowerWindow() {
    QWidget* tree = Child("id1003");
    QWidget* list = Child("id1004");
    const auto treeShare = [&] { return double(tree->width()) / (tree->width() + list->width()); };
    const double before = treeShare();
    QVERIFY(before > 0.1 && before < 0.4);
    for (int width : {800, 680}) {
        dlg->resize(width, 700);
        Settle();
        QVERIFY2(std::abs(treeShare() - before) < 0.02, qPrintable(QString("%1: %2 of the width, before %3")
                                                                       .arg(width).arg(treeShare()).arg(before)));
    }
}

QTEST_MAIN(WindowLayoutTest)
#include "window_layout_test.moc"
