#include <exporting/export_job.h>
#include <exporting/export_run.h>
#include <exporting/naming.h>

#include <sys/stat.h>
#include <unistd.h>

namespace exporting {

ExportOutcome SaveData(notes::FerrywellState& state, const ExportOptions& options, uint32_t viewIndex,
                       const std::string& folderName, const std::set<uint32_t>& entries, std::atomic<int>& stop,
                       ExportSink& sink) {
    stop.store(0);
    ExportOutcome out;
    ExportRun run(state, options, stop, sink, Flavour{true});
    run.Log("Please wait export process has been started.");
    sink.SetButtonText("Under Process");
    auto end = [&](ExportEnd how) {
        run.Logoff();
        sink.SetButtonText("Start Export");
        run.Log("Completed");
        out.end = how;
        out.totals = run.totals;
        out.outputs = run.outputs;
        out.error = run.error;
        return out;
    };
    if (options.destination.empty()) {
        run.error = "No output folder was chosen";
        run.LogError("Please select output file locations..!");
        return end(ExportEnd::BadOptions);
    }
    if (!run.CheckDatabase()) return end(ExportEnd::DatabaseUnavailable);
    state.treeSelectedFolder.set(folderName);
    state.FolderNo.store(viewIndex);

    if (IsStoreKind(options.kind)) {
        if (!run.Logon()) return end(ExportEnd::DestinationUnusable);
        if (options.kind == OutputKind::Pst) {
            if (!run.CreatePST()) return end(ExportEnd::DestinationUnusable);
            run.PrepareStoreFolder(SafeComponent(folderName), "", true);
        } else {
            run.PrepareStoreFolder("", options.destination, false);
        }
        run.ExportView(viewIndex, "", &entries);
        run.Logoff();
    } else {
        struct stat st;
        if (::stat(options.destination.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
            ::access(options.destination.c_str(), W_OK | X_OK) != 0) {
            run.error = "Cannot write to the output folder " + options.destination;
            run.LogError(run.error);
            return end(ExportEnd::DestinationUnusable);
        }
        run.outputs.push_back(options.destination);
        run.StartCsv(options.destination, folderName);
        run.ExportView(viewIndex, options.destination, &entries);
    }
    sink.ShowMessage(CompletionMessage(run.totals));
    return end(run.stopped ? ExportEnd::Stopped : ExportEnd::Completed);
}

}  // namespace exporting
