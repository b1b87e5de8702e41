#include <notes/analysis.h>
#include <notes/session.h>

#include <notesapi/notesapi.h>

namespace notes {

size_t LNGetErrorMessage(const notesapi::NotesError& error, char* buffer, size_t size) {
    return LNGetErrorMessageText(error, buffer, size, 0);
}

std::string TreePathForView(const std::string& viewName) {
    // Exact, case-sensitive names: "contacts" or "Contacts " are not shown.
    if (viewName == "($People)") return "Lotus Notes\\People\\";
    if (viewName == "Contacts") return "Lotus Notes\\Contacts\\";
    if (viewName == "By Category") return "Lotus Notes\\By Category\\";
    return {};
}

AnalysisOutcome AnalyseContactViews(BrowseState& state, AnalysisView& view) {
    return AnalyseContactViews(state, view, state.stopRequest);
}

AnalysisOutcome AnalyseContactViews(BrowseState& state, AnalysisView& view, std::atomic<int>& stop) {
    const std::string path = state.databasePath.get();
    view.ClearTreeAndList();
    state.folders.Clear();

    Session session;
    if (!session.Started()) return {AnalysisResult::OpenFailed, {}};

    LNDatabase db;
    LNViewFolderArray views;
    try {
        session.Api().GetDatabase(path, &db, "");
        db.Open();
        view.SetDatabaseTitle(db.GetTitle().str());
        LNDocumentArray contacts;
        db.Search(LNFormula("Form=\"Person\""), &contacts, nullptr);
        if (contacts.GetCount() == 0) {
            view.ShowMessage(kNotContactFile);
            return {AnalysisResult::NotContactDatabase, {}};
        }
        view.SetContactColumns();
        db.GetViewFolders(&views, 0);
    } catch (const notesapi::NotesError& error) {
        char reason[512];
        LNGetErrorMessage(error, reason, sizeof reason);
        AnalysisOutcome out{AnalysisResult::OpenFailed, reason};
        view.ShowMessage(out.error);
        return out;
    }

    const size_t count = views.GetCount();
    for (size_t i = 0; i < count; ++i) {
        view.SetStatusText(kPleaseWait);
        if (stop.load() == 1) {
            stop.store(0);
            view.SetStatusText(kProcessAborted);
            view.EnableExportButton();
            return {AnalysisResult::Stopped, {}};
        }
        try {
            LNViewFolder folder = views[i];
            folder.Open(0);
            std::string name = folder.GetName().str();
            folder.Close();
            std::string treePath = TreePathForView(name);
            if (!treePath.empty()) view.SelectFolder(treePath, uint32_t(i));
        } catch (const notesapi::NotesError&) {
            // A view that cannot be read is left out.
        }
        view.SetProgress(int((i + 1) * 100 / count));
        view.SetStatusText(" ");
    }
    view.ShowMessage(kAnalysisCompleted);
    view.SetProgress(0);
    view.EnableExportButton();
    return {AnalysisResult::Completed, {}};
}

}  // namespace notes
