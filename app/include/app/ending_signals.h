// The signals that end a desktop program from outside (Ctrl+C in its
// terminal, SIGTERM at logout or from a task manager, SIGHUP when its
// terminal goes) still end it as their default action does, but only after
// the process's scratch folders are removed.
#pragma once

namespace app {

// Installs the handlers for SIGINT, SIGTERM and SIGHUP; once per process,
// after the application object exists. The handler only writes to a pipe;
// the folders are removed on the user-interface thread.
void RemoveScratchOnEndingSignals();

}  // namespace app
