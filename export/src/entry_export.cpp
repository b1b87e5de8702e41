#include "export_flows.h"

#include "run_context.h"
#include "target.h"
#include "view_export.h"
#include "view_reader.h"

#include <exporting/naming.h>

namespace exporting {

ExportOutcome ExportListedEntries(RunContext& run, ExportTarget& target) {
    const ListedEntries& listed = *run.request.listed;
    run.Log("Please wait export process has been started.");
    auto end = [&](ExportEnd how) {
        target.Close();
        run.Settle(how);
        run.Log("Completed");
        return run.outcome;
    };
    if (run.options.destination.empty()) {
        run.outcome.error = "No output folder was chosen";
        run.LogError("Please select output file locations..!");
        return end(ExportEnd::BadOptions);
    }
    std::string why;
    if (!CanOpenDatabase(run.request.database, &why, &run.databaseIdentity)) {
        run.Fail(why);
        return end(ExportEnd::DatabaseUnavailable);
    }
    if (!target.Connect() || !target.Open()) return end(run.stopped ? ExportEnd::Stopped : ExportEnd::DestinationUnusable);
    // A new PST has no folder of its own to write into: the view gets one,
    // directly below its top. The profile and files take the chosen folder.
    const bool newPst = run.options.kind == OutputKind::Pst;
    target.PrepareFolder({listed.folderName, newPst ? SafeComponent(listed.folderName) : std::string()});
    ExportView(run, target, listed.viewIndex, &listed.entries);
    target.Close();
    if (run.stopped || run.DiskFull()) run.NoteNotReached(listed.entries.size());
    return end(run.DiskFull() ? ExportEnd::DiskFull : run.stopped ? ExportEnd::Stopped : ExportEnd::Completed);
}

}  // namespace exporting
