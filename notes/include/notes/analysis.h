// The analysis of a chosen database: opens it, checks that it holds contact
// documents, and turns its contact views into tree nodes and folder records,
// reporting progress to the main window through AnalysisView.
#pragma once

#include <notes/browse_state.h>

#include <notesapi/lnstatus.h>

#include <atomic>
#include <string>

namespace notes {

inline constexpr char kProductTitle[] = "Ferrywell";
inline constexpr char kPleaseWait[] = "Please Wait....";
inline constexpr char kProcessAborted[] = "Process Aborted...";
inline constexpr char kNotContactFile[] = "Selected Lotus Notes (*.nsf) File Not a Valid Contact File";
inline constexpr char kAnalysisCompleted[] = "Selected Lotus Notes (*.nsf) File Analysis Completed";

// What the analysis drives in the main window. Calls come from the worker
// thread; an implementation hands them to its own thread as needed.
class AnalysisView {
public:
    virtual ~AnalysisView() = default;
    // Deletes every tree node and every list row.
    virtual void ClearTreeAndList() = 0;
    // Replaces the list's columns by the contact column set.
    virtual void SetContactColumns() = 0;
    // Status-bar pane 2.
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetProgress(int percent) = 0;
    virtual void EnableExportButton() = 0;
    // The tree control's SelectFolder: adds the path's nodes and registers
    // the folder records in state.folders.
    virtual void SelectFolder(const std::string& path, uint32_t viewIndex) = 0;
    // A notice with the product title as caption and an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // The title the database carries, once it is open (may be empty).
    virtual void SetDatabaseTitle(const std::string& title) { (void)title; }
};

enum class AnalysisResult { Completed, Stopped, NotContactDatabase, OpenFailed };

struct AnalysisOutcome {
    AnalysisResult result = AnalysisResult::Completed;
    std::string error;  // why the database could not be opened
};

// Copies the text of a Notes error into buffer (512 bytes in the window's use).
size_t LNGetErrorMessage(const notesapi::NotesError& error, char* buffer, size_t size);

// Tree path of a view name, or empty for a view that is not shown.
std::string TreePathForView(const std::string& viewName);

// Runs the analysis of state.databasePath. Honours the stop request once per
// view, and clears it when it stops. When the database cannot be opened the
// user is shown why.
AnalysisOutcome AnalyseContactViews(BrowseState& state, AnalysisView& view, std::atomic<int>& stop);
// The same with state.stopRequest as the stop request.
AnalysisOutcome AnalyseContactViews(BrowseState& state, AnalysisView& view);

}  // namespace notes
