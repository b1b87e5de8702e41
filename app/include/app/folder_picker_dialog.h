// Picks a folder of the default profile: a tree of the session's stores
// (each shown by its name) and their folders.
#pragma once

#include <QDialog>

#include <optional>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace store {
class Folder;
class Session;
}  // namespace store

namespace app {

inline constexpr char kPickFolderCaption[] = "Please Select Folder";

class CPickFolderDlg : public QDialog {
    Q_OBJECT
public:
    CPickFolderDlg(store::Session& session, const QString& caption, QWidget* parent = nullptr);
    ~CPickFolderDlg() override;
    // The folder of the current tree node.
    std::optional<store::Folder> Picked() const;
    QTreeWidget& Tree() { return *tree_; }

private:
    void AddFolders(const store::Folder& folder, QTreeWidgetItem* item);
    QTreeWidget* tree_;
    std::vector<store::Folder> folders_;  // indexed by the nodes' data
};

// Logs on to the default profile, lets the user pick a folder and returns its
// display path ("\\Store\Folder"). A failed logon shows its message; nothing
// picked returns nothing.
std::optional<QString> PickProfileFolderPath(QWidget* parent);

}  // namespace app
