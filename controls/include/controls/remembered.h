// What the program remembers between starts: the main window's geometry and
// pane sizes, each export dialog's last kind and destination, the folder the
// choosers last chose from and the databases opened last. Kept through
// QSettings (organisation and program "Ferrywell"), that is in
// $XDG_CONFIG_HOME/Ferrywell/Ferrywell.conf.
//
// Nothing is read or written until the program turns remembering on, so that
// windows made by tests, or by a screenshot run, neither see nor change what
// the user's own runs left.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace controls {

void SetRemembering(bool on);
bool Remembering();

// A saved blob (a window's geometry, a splitter's state) under key; empty
// when none is remembered.
QByteArray RememberedBlob(const QString& key);
void RememberBlob(const QString& key, const QByteArray& blob);

// The last export of a dialog: the kind's name, the destination and (for
// an address book) the user name.
struct ExportChoice {
    QString kind;
    QString destination;
    QString user;
};
std::optional<ExportChoice> RememberedExport(const QString& dialog);
void RememberExport(const QString& dialog, const ExportChoice& choice);

// The folder a chooser opens in: the one of its last choice while it exists.
QString RememberedFolder();
// Remembers the folder of path (path itself when it is a folder).
void RememberFolderOf(const QString& path);

// The databases opened last, newest first, those gone from the disk left out.
inline constexpr int kRecentDatabases = 8;
QStringList RecentDatabases();
void AddRecentDatabase(const QString& path);

}  // namespace controls
