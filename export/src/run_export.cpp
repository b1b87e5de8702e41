#include <exporting/run_export.h>

#include "destination_lock.h"
#include "export_flows.h"
#include "run_context.h"
#include "target.h"

#include <exporting/ensure_path.h>

#include <store/profile.h>

namespace exporting {

namespace {

// The folder whose lock covers what the run writes: the destination folder,
// or for the profile the profile's folder (its stores are changed there).
std::string LockedFolder(const ExportOptions& options) {
    if (options.kind != OutputKind::Profile) return options.destination;
    const std::string dir = store::Profile::Directory();
    EnsurePathExists(dir);
    return dir;
}

// A new PST is made under a name claimed against every other run, and
// nothing else of the destination is read: such runs may go side by side
// (many databases into one folder), but never beside one that continues or
// rewrites what is there.
bool SharesDestination(const ExportOptions& options) { return options.kind == OutputKind::Pst && !options.skipSaved; }

// Takes the destination's lock for the run; false when the run cannot go on
// (the outcome says why and how it ends in *end).
bool LockDestination(RunContext& run, DestinationLock& lock, ExportEnd* end) {
    const std::string folder = LockedFolder(run.options);
    const bool wait = run.request.waitForDestination;
    const bool exclusive = !SharesDestination(run.options);
    DestinationLock::Result r = lock.Take(folder, exclusive, false, {});
    if (r == DestinationLock::Result::Busy && wait) {
        run.Log("Waiting for the other export into " + folder + " to finish");
        run.FlushLog();
        r = lock.Take(folder, exclusive, true, [&] { return run.StopRequested(); });
    }
    switch (r) {
    case DestinationLock::Result::Held:
    case DestinationLock::Result::NotLockable: return true;  // the target says why it cannot write there
    case DestinationLock::Result::Busy:
        run.Fail("The destination " + folder + " is in use by another export; nothing was written");
        *end = ExportEnd::DestinationUnusable;
        return false;
    case DestinationLock::Result::Stopped:
        run.Log("Conversion stopped while waiting for the destination");
        *end = ExportEnd::Stopped;
        return false;
    case DestinationLock::Result::Failed: break;
    }
    run.Fail("Cannot lock the destination " + folder + ": " + lock.why());
    *end = ExportEnd::DestinationUnusable;
    return false;
}

}  // namespace

ExportOutcome RunExport(const ExportRequest& request, std::atomic<int>& stop, ExportSink& sink) {
    RunContext run(request, stop, sink);
    const RequestCheck check = CheckRequest(request);
    if (!check.Ok() && check.problem != RequestProblem::NoDestination) {
        run.Fail(check.text);
        return run.Settle(ExportEnd::BadOptions);
    }
    DestinationLock lock;  // held until the target has closed
    ExportEnd refused = ExportEnd::DestinationUnusable;
    // An address book on a server has no folder here to lock: its
    // conditional writes keep runs side by side from overwriting each other.
    const bool local = request.options.kind != OutputKind::CardDav;
    if (local && !request.options.destination.empty() && !LockDestination(run, lock, &refused)) return run.Settle(refused);
    const std::unique_ptr<ExportTarget> target = MakeTarget(run);
    return request.IsListExport() ? ExportListedEntries(run, *target) : ExportFolders(run, *target);
}

}  // namespace exporting
