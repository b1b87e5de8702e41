#include <exporting/ensure_path.h>
#include <exporting/export_job.h>
#include <exporting/export_run.h>
#include <exporting/naming.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace exporting {

namespace {

// The folder record's tree path without its "Lotus Notes\" parts.
std::string RelativeFolderPath(std::string path) {
    static const std::string root = "Lotus Notes\\";
    for (size_t at; (at = path.find(root)) != std::string::npos;) path.erase(at, root.size());
    return path;
}

// The directory of a folder below the export root: each part of the
// relative path cleaned, so that nothing lands outside the root.
std::string FolderDirectory(const std::string& root, const std::string& relPath) {
    std::string dir = root;
    size_t at = 0;
    while (at < relPath.size()) {
        size_t end = relPath.find('\\', at);
        if (end == std::string::npos) end = relPath.size();
        std::string part = relPath.substr(at, end - at);
        if (part.find_first_not_of(' ') != std::string::npos) dir += "/" + SafeComponent(part);
        at = end + 1;
    }
    return dir;
}

}  // namespace

ExportOutcome SaveMailBox(notes::FerrywellState& state, const ExportOptions& options,
                          const std::vector<notes::FolderRecord>& folders, std::atomic<int>& stop, ExportSink& sink) {
    stop.store(0);
    ExportOutcome out;
    ExportRun run(state, options, stop, sink, Flavour{false});
    auto end = [&](ExportEnd how) {
        run.Logoff();
        out.end = how;
        out.totals = run.totals;
        out.outputs = run.outputs;
        out.error = run.error;
        return out;
    };
    const bool storeKind = IsStoreKind(options.kind);
    const std::string stamp = RecoverDataStamp();
    if (storeKind && !run.Logon()) return end(ExportEnd::DestinationUnusable);
    run.Log("");
    if (options.destination.empty()) {
        run.Log("Please select output file locations..!");
        run.error = "No destination was chosen";
        return end(ExportEnd::BadOptions);
    }
    run.Log("");
    if (!run.CheckDatabase()) return end(ExportEnd::DatabaseUnavailable);

    std::string root;
    if (options.kind == OutputKind::Pst) {
        if (!run.CreatePST()) return end(ExportEnd::DestinationUnusable);
    } else if (!storeKind) {
        root = NextFreePath(options.destination + "/RecoverData" + stamp, true);
        if (::mkdir(root.c_str(), 0777) != 0) {
            run.error = "Cannot create the directory " + root + ": " + std::strerror(errno);
            run.LogError(run.error);
            return end(ExportEnd::DestinationUnusable);
        }
        run.Log("Create Directory:" + root);
        run.outputs.push_back(root);
    }

    for (const notes::FolderRecord& record : folders) {
        state.treeSelectedFolder.set(record.folderName);
        if (run.StopRequested()) break;
        sink.SetButtonText("Under Process...");
        const std::string relPath = RelativeFolderPath(record.folderPath);
        std::string target;
        if (options.kind == OutputKind::Pst) {
            run.SplitBefore(0);
            run.PrepareStoreFolder(relPath, "", true);
            target = run.StorePath();
        } else if (options.kind == OutputKind::Profile) {
            run.PrepareStoreFolder(relPath, options.destination, true);
            target = run.StorePath();
        } else {
            target = FolderDirectory(root, relPath);
            if (!EnsurePathExists(target)) run.LogError("Cannot create the directory " + target);
            run.StartCsv(target, record.folderName);
        }
        sink.SetFolderStatus("Saving Folder Status :" + target);
        run.ExportView(record.viewIndex, target, nullptr);
        if (run.stopped || run.StopRequested()) break;
    }

    run.Commit();  // the closing message counts only what reached the file
    run.Log("Finish Conversion Process!");
    sink.SetButtonText("Finish");
    sink.ShowMessage(CompletionMessage(run.totals));
    sink.SetButtonText("Save");
    run.Log("Completed");
    if (!storeKind) sink.OpenFolder(root);
    return end(run.stopped || run.StopRequested() ? ExportEnd::Stopped : ExportEnd::Completed);
}

}  // namespace exporting
