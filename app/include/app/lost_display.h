// The window's display can go away under it: the X server ends, or the
// connection to it breaks. Qt's xcb platform plugin then ends the process
// with exit(1) from inside the event loop, and the destructors of static
// objects that exit runs (Qt's, the libraries', ours) would free what worker
// threads, an export among them, still use. The event loop run here ends
// such a process cleanly instead: every task told to stop and given a few
// seconds to end, the process's scratch folders removed, and then the end,
// status 1, without those destructors. An exit after the loop has returned
// is left as it is.
#pragma once

#include <QApplication>

namespace app {

// Runs application's event loop and returns its status. Once per process.
int ExecEndingCleanlyWithoutDisplay(QApplication& application);

}  // namespace app
