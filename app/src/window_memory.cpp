// What the main window keeps between starts and takes from the desktop: its
// layout, the title of the open database, the recent databases and dropped
// database files.
#include <app/ferrywell_dlg.h>

#include <controls/remembered.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QSplitter>
#include <QUrl>

namespace app {

namespace {
constexpr char kGeometryKey[] = "window/geometry";
constexpr char kTreeSplitKey[] = "window/treeSplit";
constexpr char kPreviewSplitKey[] = "window/previewSplit";
}  // namespace

QString WindowTitleFor(const std::string& databasePath, const std::string& databaseTitle) {
    if (databasePath.empty()) return kWindowTitle;
    const QFileInfo file(QString::fromStdString(databasePath));
    // One line, whatever the database holds.
    const QString title = QString::fromStdString(databaseTitle).simplified();
    const bool same = title.isEmpty() || title.compare(file.fileName(), Qt::CaseInsensitive) == 0 ||
                      title.compare(file.completeBaseName(), Qt::CaseInsensitive) == 0;
    return (same ? file.fileName() : title + " (" + file.fileName() + ")") + " - " + kWindowTitle;
}

QString DroppedDatabase(const QMimeData& data) {
    if (!data.hasUrls() || data.urls().size() != 1) return {};
    const QUrl url = data.urls().front();
    if (!url.isLocalFile()) return {};
    const QFileInfo file(url.toLocalFile());
    const QString suffix = file.suffix().toLower();
    if ((suffix != "dxl" && suffix != "nsf") || !file.isFile()) return {};
    return file.absoluteFilePath();
}

bool CFerrywellDlg::RestoreLayout() {
    const QByteArray geometry = controls::RememberedBlob(kGeometryKey);
    if (geometry.isEmpty() || !restoreGeometry(geometry)) return false;
    vertical_->restoreState(controls::RememberedBlob(kTreeSplitKey));
    horizontal_->restoreState(controls::RememberedBlob(kPreviewSplitKey));
    return true;
}

void CFerrywellDlg::SaveLayout() const {
    controls::RememberBlob(kGeometryKey, saveGeometry());
    controls::RememberBlob(kTreeSplitKey, vertical_->saveState());
    controls::RememberBlob(kPreviewSplitKey, horizontal_->saveState());
}

void CFerrywellDlg::FillRecentMenu() {
    recent_->clear();
    const QStringList recent = controls::RecentDatabases();
    if (recent.isEmpty()) recent_->addAction("(none)")->setEnabled(false);
    for (const QString& path : recent) {
        QAction* action = recent_->addAction(QFileInfo(path).fileName());
        action->setToolTip(path);
        connect(action, &QAction::triggered, this, [this, path] { OpenDatabase(path.toStdString()); },
                Qt::QueuedConnection);
    }
}

void CFerrywellDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedDatabase(*event->mimeData()).isEmpty()) event->acceptProposedAction();
}

bool CFerrywellDlg::OpenDropped(const QMimeData& data) {
    const QString path = DroppedDatabase(data);
    if (path.isEmpty()) return false;
    OpenDatabase(path.toStdString());
    return true;
}

void CFerrywellDlg::dropEvent(QDropEvent* event) {
    if (OpenDropped(*event->mimeData())) event->acceptProposedAction();
}

}  // namespace app
