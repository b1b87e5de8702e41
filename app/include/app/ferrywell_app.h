// The application: shows the main window until the user exits.
#pragma once

#include <cmdline/standard_options.h>

#include <QApplication>

namespace app {

// The program's command line: [FILE] and the hidden options below, with Qt's
// own options (-platform, -style, ...).
extern const cmdline::Program kProgramOptions;

// What the command line asks for at start: the database to open and analyse
// (FILE or --open FILE, made absolute; empty for none) and the folder of a
// screenshot run (empty for none). Qt's own options are already removed.
struct StartOptions {
    QString file;
    QString screenshots;
};
StartOptions ParseStartOptions(const QStringList& arguments);

class CFerrywellApp : public QApplication {
    Q_OBJECT
public:
    CFerrywellApp(int& argc, char** argv);
    // Runs the program and returns its exit code. FILE (or --open FILE) is
    // opened and analysed at start. Hidden option for scripted runs:
    // --screenshots DIR opens the windows on FILE, saves pictures of them into
    // DIR and ends.
    int InitInstance();
};

// Saves pictures of the main window, the selection dialog, the search dialog
// and the two export dialogs with the database at dbPath open; returns the
// exit code.
int RunScreenshots(const QString& dbPath, const QString& folder);

}  // namespace app
