// The state the program's windows and workers share for one run. Members keep
// the names the program's design gives them; what the workers below the
// window read and write comes from notes::BrowseState.
#pragma once

#include <notes/browse_state.h>

#include <atomic>

namespace app {

struct FerrywellState : notes::BrowseState {
    notes::SharedText SourceFileName;  // the database's file name without folder and extension
    notes::SharedText tempFilePath;    // scratch folder of the exporters
    notes::SharedText AppPath1;        // the system's temporary folder
    std::atomic<int> ibrowsefile{0};   // a database was chosen
    std::atomic<int> poslast{0};       // 1-based row of the last started preview
};

}  // namespace app
