#include <controls/remembered.h>

#include <QFileInfo>
#include <QSettings>

namespace controls {

namespace {

bool& On() {
    static bool on = false;
    return on;
}

QSettings Store() { return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Ferrywell", "Ferrywell"); }

constexpr char kFolderKey[] = "choosers/folder";
constexpr char kRecentKey[] = "databases/recent";

}  // namespace

void SetRemembering(bool on) { On() = on; }
bool Remembering() { return On(); }

QByteArray RememberedBlob(const QString& key) { return On() ? Store().value(key).toByteArray() : QByteArray(); }

void RememberBlob(const QString& key, const QByteArray& blob) {
    if (On()) Store().setValue(key, blob);
}

std::optional<ExportChoice> RememberedExport(const QString& dialog) {
    if (!On()) return std::nullopt;
    QSettings store = Store();
    const QString kind = store.value("exports/" + dialog + "/kind").toString();
    if (kind.isEmpty()) return std::nullopt;
    return ExportChoice{kind, store.value("exports/" + dialog + "/destination").toString(),
                        store.value("exports/" + dialog + "/user").toString()};
}

void RememberExport(const QString& dialog, const ExportChoice& choice) {
    if (!On()) return;
    QSettings store = Store();
    store.setValue("exports/" + dialog + "/kind", choice.kind);
    store.setValue("exports/" + dialog + "/destination", choice.destination);
    store.setValue("exports/" + dialog + "/user", choice.user);
}

QString RememberedFolder() {
    if (!On()) return {};
    const QString folder = Store().value(kFolderKey).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void RememberFolderOf(const QString& path) {
    if (!On() || path.isEmpty()) return;
    const QFileInfo info(path);
    Store().setValue(kFolderKey, info.isDir() ? info.absoluteFilePath() : info.absolutePath());
}

QStringList RecentDatabases() {
    if (!On()) return {};
    QStringList recent;
    for (const QString& path : Store().value(kRecentKey).toStringList())
        if (QFileInfo(path).isFile()) recent << path;
    return recent;
}

void AddRecentDatabase(const QString& path) {
    if (!On() || path.isEmpty()) return;
    QSettings store = Store();
    QStringList recent = store.value(kRecentKey).toStringList();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    while (recent.size() > kRecentDatabases) recent.removeLast();
    store.setValue(kRecentKey, recent);
}

}  // namespace controls
