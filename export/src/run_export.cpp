#include <exporting/run_export.h>

#include "export_flows.h"
#include "run_context.h"
#include "target.h"

namespace exporting {

ExportOutcome RunExport(const ExportRequest& request, std::atomic<int>& stop, ExportSink& sink) {
    stop.store(0);
    RunContext run(request, stop, sink);
    const RequestCheck check = CheckRequest(request);
    if (!check.Ok() && check.problem != RequestProblem::NoDestination) {
        run.Fail(check.text);
        return run.Settle(ExportEnd::BadOptions);
    }
    const std::unique_ptr<ExportTarget> target = MakeTarget(run);
    return request.IsListExport() ? ExportListedEntries(run, *target) : ExportFolders(run, *target);
}

}  // namespace exporting
