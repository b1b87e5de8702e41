#include "export_flows.h"

#include "run_context.h"
#include "target.h"
#include "view_export.h"
#include "view_reader.h"
#include "views_ahead.h"

#include <notes/contact_entries.h>

namespace exporting {

namespace {

// The folder record's tree path without its "Lotus Notes\" parts.
std::string RelativeFolderPath(std::string path) {
    static const std::string root = "Lotus Notes\\";
    for (size_t at; (at = path.find(root)) != std::string::npos;) path.erase(at, root.size());
    return path;
}

// The contacts of every folder the run was asked for; counted only when a
// stop leaves some of them unread.
uint64_t ContactCount(const ExportRequest& request) {
    uint64_t n = 0;
    for (const notes::FolderRecord& record : request.folders)
        n += notes::ContactEntries(request.database, record.viewIndex).size();
    return n;
}

}  // namespace

ExportOutcome ExportFolders(RunContext& run, ExportTarget& target) {
    auto end = [&](ExportEnd how) {
        target.Close();
        return run.Settle(how);
    };
    if (!target.Connect()) return end(run.stopped ? ExportEnd::Stopped : ExportEnd::DestinationUnusable);
    run.Log("");
    if (run.options.destination.empty()) {
        run.Log("Please select output file locations..!");
        run.outcome.error = "No destination was chosen";
        return end(ExportEnd::BadOptions);
    }
    run.Log("");
    std::string why;
    if (!CanOpenDatabase(run.request.database, &why, &run.databaseIdentity)) {
        run.Fail(why);
        return end(ExportEnd::DatabaseUnavailable);
    }
    // The views' entries are worked out ahead on a thread of their own,
    // while the destination opens and the views before are written.
    const ViewsAhead ahead(run);
    if (!target.Open()) return end(ExportEnd::DestinationUnusable);

    for (const notes::FolderRecord& record : run.request.folders) {
        if (run.StopRequested()) break;
        run.SetTarget(target.PrepareFolder({record.folderName, RelativeFolderPath(record.folderPath)}));
        ExportView(run, target, record.viewIndex, nullptr);
        if (run.stopped || run.StopRequested()) break;
    }

    target.Commit();  // the closing notice counts only what reached the file
    run.Log("Finish Conversion Process!");
    const bool stopped = run.stopped || run.StopRequested();
    if (stopped) run.NoteNotReached(ContactCount(run.request));
    // After a full disk what is left of the output (a PST with nothing in it
    // is removed) is settled before the closing notice names it.
    if (run.DiskFull()) target.Close();
    run.Settle(run.DiskFull() ? ExportEnd::DiskFull : stopped ? ExportEnd::Stopped : ExportEnd::Completed);
    run.Log("Completed");
    target.Close();
    return run.outcome;
}

}  // namespace exporting
