// Recording stand-ins for the main window's analysis and list sinks.
#pragma once

#include <notes/analysis.h>
#include <notes/list_fill.h>
#include <notes/tree_model.h>

#include <functional>
#include <string>
#include <vector>

struct RecordingAnalysisView : notes::AnalysisView {
    explicit RecordingAnalysisView(notes::BrowseState& s) : state(s) {}
    void ClearTreeAndList() override {
        tree.DeleteAllItems();
        calls.push_back("clear");
    }
    void SetContactColumns() override { calls.push_back("columns"); }
    void SetStatusText(const std::string& t) override {
        status = t;
        if (onStatus) onStatus(t);
    }
    void SetProgress(int p) override { progress.push_back(p); }
    void EnableExportButton() override { exportEnabled = true; }
    void SelectFolder(const std::string& path, uint32_t viewIndex) override {
        tree.SelectFolder(path, viewIndex, state.folders);
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }

    notes::BrowseState& state;
    notes::FolderTreeModel tree;
    std::vector<std::string> calls, messages;
    std::vector<int> progress;
    std::string status;
    bool exportEnabled = false;
    std::function<void(const std::string&)> onStatus;
};

struct RecordingListView : notes::ItemListView {
    void DeleteAllRows() override { rows.clear(); }
    void AddRow(const notes::ListRow& row) override {
        rows.push_back(row);
        if (onRow) onRow(row);
    }
    void EnableTree(bool e) override { treeEnabled = e; }
    void EnableExportButton(bool e) override { exportEnabled = e; }
    void SetStatusText(const std::string& t) override { status = t; }
    void SetProgress(int p) override { progress = p; }
    void ReportFailure(const std::string& reason) override { failure = reason; }

    std::vector<notes::ListRow> rows;
    std::string failure;
    bool treeEnabled = true, exportEnabled = false;
    std::string status;
    int progress = -1;
    std::function<void(const notes::ListRow&)> onRow;
};
