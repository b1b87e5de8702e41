#include "lock_destination.h"

#include "run_context.h"

namespace exporting {

bool LockDestination(RunContext& run, DestinationLock& lock, const std::string& destination,
                     const std::string& lockFile, bool exclusive, ExportEnd* end, bool* waited) {
    auto take = [&](bool wait, const std::function<bool()>& stop) {
        return lockFile.empty() ? lock.Take(destination, exclusive, wait, stop)
                                : lock.TakeFile(lockFile, exclusive, wait, stop);
    };
    DestinationLock::Result r = take(false, {});
    if (waited) *waited = r == DestinationLock::Result::Busy;
    if (r == DestinationLock::Result::Busy && run.request.waitForDestination) {
        run.Log("Waiting for the other export into " + destination + " to finish");
        run.FlushLog();
        r = take(true, [&] { return run.StopRequested(); });
    }
    switch (r) {
    case DestinationLock::Result::Held:
    case DestinationLock::Result::NotLockable: return true;  // the target says why it cannot write there
    case DestinationLock::Result::Busy:
        run.Fail("The destination " + destination + " is in use by another export; nothing was written");
        *end = ExportEnd::DestinationUnusable;
        return false;
    case DestinationLock::Result::Stopped:
        run.Log("Conversion stopped while waiting for the destination");
        *end = ExportEnd::Stopped;
        return false;
    case DestinationLock::Result::Failed: break;
    }
    run.Fail("Cannot lock the destination " + destination + ": " + lock.why());
    *end = ExportEnd::DestinationUnusable;
    return false;
}

}  // namespace exporting
