// Picks a folder of the default profile: a tree of the session's stores
// (each shown by its name) and their folders.
#pragma once

#include <QDialog>

#include <optional>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace store {
class RDOFolder;
class RDOSession;
}  // namespace store

namespace app {

inline constexpr char kPickFolderCaption[] = "Please Select Folder";

class CPickFolderDlg : public QDialog {
    Q_OBJECT
public:
    CPickFolderDlg(store::RDOSession& session, const QString& caption, QWidget* parent = nullptr);
    ~CPickFolderDlg() override;
    // The folder of the current tree node.
    std::optional<store::RDOFolder> Picked() const;
    QTreeWidget& Tree() { return *tree_; }

private:
    void AddFolders(const store::RDOFolder& folder, QTreeWidgetItem* item);
    QTreeWidget* tree_;
    std::vector<store::RDOFolder> folders_;  // indexed by the nodes' data
};

// Logs on to the default profile, lets the user pick a folder and returns its
// display path ("\\Store\Folder"). A failed logon shows its message; nothing
// picked returns nothing.
std::optional<QString> PickProfileFolderPath(QWidget* parent);

}  // namespace app
