// The state that the program's windows and workers share for one run: the
// chosen database and scratch folder, the folder records, the listed view,
// the row to preview and the stop requests. Members keep the names the
// program's design gives them. Texts are guarded; flags are atomic.
#pragma once

#include <notes/folder_structure.h>

#include <atomic>
#include <mutex>
#include <string>

namespace notes {

// A string that one thread writes while others read.
class SharedText {
public:
    std::string get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    void set(std::string v) {
        std::lock_guard lock(mutex_);
        value_ = std::move(v);
    }

private:
    mutable std::mutex mutex_;
    std::string value_;
};

struct FerrywellState {
    SharedText strFileDir;      // full path of the chosen database
    SharedText SourceFileName;  // its file name without folder and extension
    SharedText tempFilePath;    // scratch folder of the exporters
    SharedText AppPath1;        // the system's temporary folder
    std::atomic<int> ibrowsefile{0};

    FolderStructureList ptrNSFTreeFolderStructure;
    SharedText treeSelectedFolder;       // "People", "Contacts" or "By Category"
    std::atomic<unsigned> FolderNo{0};   // view index of the listed view
    std::atomic<int> mailno{0};          // entry index of the row to preview
    std::atomic<int> iFolderNumber{0};   // view index of the row to preview
    std::atomic<int> poslast{0};         // 1-based row of the last started preview
    std::atomic<int> imailpreviwValidation{0};

    // Stop request of an analysis or list fill run without one of its own
    // (the window gives each task its own).
    std::atomic<int> iStopProcess{0};
};

}  // namespace notes
