// The application: shows the main window until the user exits.
#pragma once

#include <QApplication>

namespace app {

class CFerrywellApp : public QApplication {
    Q_OBJECT
public:
    CFerrywellApp(int& argc, char** argv);
    // Runs the program and returns its exit code. Hidden options, for
    // scripted runs: --open DB analyses DB at start; --screenshots DIR opens
    // the windows on DB, saves pictures of them into DIR and ends.
    int InitInstance();
};

// Saves pictures of the main window, the selection dialog, the search dialog
// and the two export dialogs with the database at dbPath open; returns the
// exit code.
int RunScreenshots(const QString& dbPath, const QString& folder);

}  // namespace app
