#include <exporting/run_export.h>

#include "destination_lock.h"
#include "export_flows.h"
#include "lock_destination.h"
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
    // An address book on a server has no folder here to lock: the target
    // locks its records once it has found the book.
    const bool local = request.options.kind != OutputKind::CardDav;
    if (local && !request.options.destination.empty() &&
        !LockDestination(run, lock, LockedFolder(request.options), "", !SharesDestination(request.options), &refused))
        return run.Settle(refused);
    const std::unique_ptr<ExportTarget> target = MakeTarget(run);
    return request.IsListExport() ? ExportListedEntries(run, *target) : ExportFolders(run, *target);
}

}  // namespace exporting
