// The scratch folder ("xTemp") the exporters keep their intermediate files in,
// and the source name of a chosen database file.
//
// Every scratch folder belongs to one process: it lies in a folder of its own
// (mode 0700, made with a unique name) below the runtime folder or a folder
// the user chose, so that neither other users nor a second instance can read
// or overwrite what it holds. The process removes the folders it made when it
// ends, and only those. While it lives it holds a lock on an owner file in
// each; a folder whose lock nobody holds was left by a process that died
// (killed outright), and the first Default() of a later process removes it.
#pragma once

#include <base/unique_fd.h>

#include <mutex>
#include <string>
#include <vector>

namespace selection {

inline constexpr char kScratchName[] = "xTemp";

// The system's temporary folder with a trailing separator.
std::string SystemTempFolder();
// Where the process's own scratch folder goes, with a trailing separator:
// $XDG_RUNTIME_DIR when it names a folder the user may write to, else the
// system's temporary folder.
std::string RuntimeFolder();

// The scratch folders one process made.
class ScratchFolders {
public:
    ScratchFolders() = default;
    ScratchFolders(const ScratchFolders&) = delete;
    ScratchFolders& operator=(const ScratchFolders&) = delete;
    ~ScratchFolders() { RemoveAll(); }

    // The scratch folder below RuntimeFolder() (then the temporary folder),
    // with a trailing separator; made on first use and made again when it
    // has gone since. Empty when no folder could be made.
    std::string Default();
    // A scratch folder of this process in folder (folder/ferrywell-XXXXXX/
    // xTemp/); empty when it cannot be made there.
    std::string MakeIn(const std::string& folder);
    // Removes every folder made so far, with what is in it.
    void RemoveAll();

private:
    std::string MakeInLocked(const std::string& folder);

    std::mutex mutex_;
    std::vector<std::string> roots_;  // the private folders made, each holding "xTemp"
    std::vector<base::UniqueFd> owners_;  // the locked owner file of each
    std::string default_;
    bool cleaned_ = false;  // abandoned folders looked for
};

// Removes the scratch folders in folder that a process which has ended left
// behind: this user's private folders of the scratch name whose owner file
// is not locked. Links, other users' folders, folders without an owner file
// and everything else stay. Returns how many were removed.
int RemoveAbandonedScratch(const std::string& folder);

// The scratch folders of this process; removed when the process ends
// normally (callers that end it at once call RemoveAll first).
ScratchFolders& ProcessScratch();

// The file's name without folder and extension.
std::string SourceTitle(const std::string& fullPath);
// The path of a search result: its folder text and name joined by exactly
// one separator.
std::string JoinFolderAndName(const std::string& folder, const std::string& name);

}  // namespace selection
