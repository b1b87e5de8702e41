// Window stand-ins for running the analysis and the list fill without a
// window: they keep the tree model and record messages and rows.
#pragma once

#include <notes/analysis.h>
#include <notes/list_fill.h>
#include <notes/tree_model.h>

#include <string>
#include <vector>

namespace notes {

class HeadlessAnalysisView : public AnalysisView {
public:
    explicit HeadlessAnalysisView(BrowseState& state) : state_(state) {}
    void ClearTreeAndList() override { tree.DeleteAllItems(); }
    void SetContactColumns() override {}
    void SetStatusText(const std::string& text) override { status = text; }
    void SetProgress(int) override {}
    void EnableExportButton() override {}
    void SelectFolder(const std::string& path, uint32_t viewIndex) override {
        tree.SelectFolder(path, viewIndex, state_.folders);
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }

    FolderTreeModel tree;
    std::vector<std::string> messages;
    std::string status;

private:
    BrowseState& state_;
};

// The analysis of the database at path without a window: its folder records
// in list order (none unless the outcome is Completed).
inline AnalysisOutcome AnalyseDatabase(const std::string& path, std::vector<FolderRecord>* records) {
    BrowseState state;
    state.databasePath.set(path);
    HeadlessAnalysisView view(state);
    AnalysisOutcome outcome = AnalyseContactViews(state, view);
    *records = state.folders.Snapshot();
    return outcome;
}

class HeadlessListView : public ItemListView {
public:
    void DeleteAllRows() override { rows.clear(); }
    void AddRow(const ListRow& row) override { rows.push_back(row); }
    void EnableTree(bool) override {}
    void EnableExportButton(bool) override {}
    void SetStatusText(const std::string&) override {}
    void SetProgress(int) override {}
    void ReportFailure(const std::string& reason) override { failure = reason; }

    std::vector<ListRow> rows;
    std::string failure;  // empty unless the fill ended early
};

}  // namespace notes
