// What the analysis, list fill and preview workers share with the window that
// starts them: the open database, its folder records, the listed view, the
// row to preview and the stop request. Texts are guarded; flags are atomic.
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

struct BrowseState {
    SharedText databasePath;  // full path of the chosen database

    FolderStructureList folders;          // one record per contact view in the tree
    SharedText listedFolder;              // "People", "Contacts" or "By Category"
    std::atomic<unsigned> listedView{0};  // view index of the listed view
    std::atomic<int> previewEntry{0};     // entry index of the row to preview
    std::atomic<int> previewView{0};      // view index of the row to preview
    std::atomic<int> previewRunning{0};

    // Stop request of an analysis or list fill run without one of its own
    // (the window gives each task its own).
    std::atomic<int> stopRequest{0};
};

}  // namespace notes
