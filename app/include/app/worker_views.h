// The main window as the workers see it: each call goes to the window on the
// user-interface thread and waits for it. List rows are handed over in
// batches and progress only when its value changes, so that a long list
// costs the user-interface thread little.
#pragma once

#include <app/ui_bridge.h>

#include <controls/check_list_ctrl.h>

#include <notes/analysis.h>
#include <notes/list_fill.h>
#include <notes/preview.h>

#include <chrono>
#include <memory>
#include <vector>

namespace app {

class CFerrywellDlg;

class DialogAnalysisView : public notes::AnalysisView {
public:
    DialogAnalysisView(std::shared_ptr<UiBridge> bridge, CFerrywellDlg* dlg) : bridge_(std::move(bridge)), dlg_(dlg) {}
    void ClearTreeAndList() override;
    void SetContactColumns() override;
    void SetStatusText(const std::string& text) override;
    void SetProgress(int percent) override;
    void EnableExportButton() override;
    void SelectFolder(const std::string& path, uint32_t viewIndex) override;
    void ShowMessage(const std::string& text) override;
    void SetDatabaseTitle(const std::string& title) override;

private:
    std::shared_ptr<UiBridge> bridge_;
    CFerrywellDlg* dlg_;
};

class DialogListView : public notes::ItemListView {
public:
    // Rows wait at most this long, or until this many are ready.
    static constexpr std::chrono::milliseconds kBatchAge{25};
    static constexpr size_t kBatchRows = 2000;

    DialogListView(std::shared_ptr<UiBridge> bridge, CFerrywellDlg* dlg) : bridge_(std::move(bridge)), dlg_(dlg) {}
    void DeleteAllRows() override;
    void AddRow(const notes::ListRow& row) override;
    void EnableTree(bool enable) override;
    void EnableExportButton(bool enable) override;
    void SetStatusText(const std::string& text) override;
    void SetProgress(int percent) override;
    void ReportFailure(const std::string& reason) override;
    // Hands over the rows still waiting; the window takes one batch while
    // the next is being read.
    void Flush();
    // Waits until every row handed over is in the list.
    void Finish();

private:
    std::shared_ptr<UiBridge> bridge_;
    CFerrywellDlg* dlg_;
    std::vector<controls::CheckListRow> pending_;  // converted here, off the window's thread
    std::chrono::steady_clock::time_point firstPending_;
    int lastProgress_ = -1;
    UiBridge::Ticket inFlight_;
};

class DialogPreviewView : public notes::PreviewView {
public:
    DialogPreviewView(std::shared_ptr<UiBridge> bridge, CFerrywellDlg* dlg) : bridge_(std::move(bridge)), dlg_(dlg) {}
    void ShowWaitWindow() override;
    void CloseWaitWindow() override;
    void EnableList(bool enable) override;
    void Navigate(const std::string& path) override;
    void ReportFailure(const std::string& reason) override;

private:
    std::shared_ptr<UiBridge> bridge_;
    CFerrywellDlg* dlg_;
};

}  // namespace app
