#include <app/folder_picker_dialog.h>

#include <controls/dialog_services.h>

#include <store/session.h>

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace app {

CPickFolderDlg::CPickFolderDlg(store::Session& session, const QString& caption, QWidget* parent)
    : QDialog(parent), tree_(new QTreeWidget(this)) {
    setObjectName("CPickFolderDlg");
    setWindowTitle(caption);
    tree_->setObjectName("folders");
    tree_->setHeaderHidden(true);
    for (const store::Store& s : session.Stores()) {
        auto* item = new QTreeWidgetItem(tree_, {QString::fromStdString(s.GetName())});
        AddFolders(s.GetIPMRootFolder(), item);
    }
    tree_->expandToDepth(0);
    if (tree_->topLevelItemCount() > 0) tree_->setCurrentItem(tree_->topLevelItem(0));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree_);
    layout->addWidget(buttons);
    resize(360, 420);
}

CPickFolderDlg::~CPickFolderDlg() = default;

void CPickFolderDlg::AddFolders(const store::Folder& folder, QTreeWidgetItem* item) {
    item->setData(0, Qt::UserRole, int(folders_.size()));
    folders_.push_back(folder);
    for (const store::Folder& child : folder.GetFolders())
        AddFolders(child, new QTreeWidgetItem(item, {QString::fromStdString(child.GetName())}));
}

std::optional<store::Folder> CPickFolderDlg::Picked() const {
    const QTreeWidgetItem* item = tree_->currentItem();
    if (!item) return std::nullopt;
    return folders_[size_t(item->data(0, Qt::UserRole).toInt())];
}

std::optional<QString> PickProfileFolderPath(QWidget* parent) {
    store::Session session;
    try {
        session.Logon();
    } catch (const store::StoreError&) {
        controls::MessageService::Show(parent, store::kLogonFailedText, controls::MsgButtons::Ok,
                                       controls::MsgIcon::Question);
        return std::nullopt;
    }
    std::optional<store::Folder> picked;
    try {
        picked = session.PickFolder(
        [parent](store::Session& s, const std::string& caption) -> std::optional<store::Folder> {
            CPickFolderDlg dialog(s, QString::fromStdString(caption), parent);
            if (dialog.exec() != QDialog::Accepted) return std::nullopt;
            return dialog.Picked();
        },
            kPickFolderCaption);
    } catch (const store::StoreError&) {
        return std::nullopt;  // a store that cannot be read offers nothing to pick
    }
    if (!picked) return std::nullopt;
    return QString::fromStdString(store::DisplayPath(*picked));
}

}  // namespace app
