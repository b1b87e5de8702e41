// The exclusive hold of one export on its destination, so that two exports
// never write into one folder, PST or CSV file at once. It is an flock on a
// lock file in the destination folder: the kernel lets go of it when the
// process ends, however it ends, so a killed run never leaves the folder
// locked. Runs that only make new files under names claimed race-free (a
// new PST) may share the lock with each other, never with an exclusive
// holder. The last holder removes the file; a process that locked a file
// removed meanwhile notices and locks the new one.
#pragma once

#include <base/unique_fd.h>

#include <functional>
#include <string>

namespace exporting {

inline constexpr const char* kLockFileName = ".ferrywell-lock";

class DestinationLock {
public:
    enum class Result {
        Held,         // the destination is this process's until the lock is destroyed
        Busy,         // another export holds it (and waiting was not asked)
        Stopped,      // stop() said to give up while waiting
        NotLockable,  // the folder does not exist or takes no file: nothing can be written there
        Failed,       // the lock file cannot be made or locked for another reason (why())
    };

    DestinationLock() = default;
    ~DestinationLock();
    DestinationLock(const DestinationLock&) = delete;
    DestinationLock& operator=(const DestinationLock&) = delete;

    // Takes the lock of the folder, exclusive or shared. With wait, a lock
    // held against it is waited for, asking stop every tenth of a second;
    // without, Busy at once.
    Result Take(const std::string& folder, bool exclusive, bool wait, const std::function<bool()>& stop);
    // The same with the lock file at path, for a destination that is no
    // folder here (an address book on a server).
    Result TakeFile(const std::string& path, bool exclusive, bool wait, const std::function<bool()>& stop);
    const std::string& why() const { return why_; }
    const std::string& path() const { return path_; }

private:
    // One attempt without waiting: Held, Busy, or why not.
    Result TryOnce(bool exclusive);
    void Release();

    base::UniqueFd fd_;
    std::string path_;
    std::string why_;
};

}  // namespace exporting
