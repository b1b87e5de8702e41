// The command-line tool's stand-ins for the main window: they record what the
// analysis and the list fill would show.
#pragma once

#include <notes/analysis.h>
#include <notes/list_fill.h>
#include <notes/tree_model.h>

#include <string>
#include <vector>

class CliAnalysisView : public notes::AnalysisView {
public:
    explicit CliAnalysisView(notes::FerrywellState& state) : state_(state) {}
    void ClearTreeAndList() override { tree_.DeleteAllItems(); }
    void SetContactColumns() override {}
    void SetStatusText(const std::string&) override {}
    void SetProgress(int) override {}
    void EnableExportButton() override {}
    void SelectFolder(const std::string& path, uint32_t viewIndex) override {
        tree_.SelectFolder(path, viewIndex, state_.ptrNSFTreeFolderStructure);
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }

    std::vector<std::string> messages;

private:
    notes::FerrywellState& state_;
    notes::FolderTreeModel tree_;
};

class CliListView : public notes::ItemListView {
public:
    void DeleteAllRows() override { rows.clear(); }
    void AddRow(const notes::ListRow& row) override { rows.push_back(row); }
    void EnableTree(bool) override {}
    void EnableExportButton(bool) override {}
    void SetStatusText(const std::string&) override {}
    void SetProgress(int) override {}

    std::vector<notes::ListRow> rows;
};
