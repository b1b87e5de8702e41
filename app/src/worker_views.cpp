#include <app/ferrywell_dlg.h>
#include <app/worker_views.h>

namespace app {

void DialogAnalysisView::ClearTreeAndList() {
    bridge_->Call([d = dlg_] { d->UiClearTreeAndList(); });
}
void DialogAnalysisView::SetContactColumns() {
    bridge_->Call([d = dlg_] { d->UiSetContactColumns(); });
}
void DialogAnalysisView::SetStatusText(const std::string& text) {
    bridge_->Call([d = dlg_, text] { d->UiSetStatusText(text); });
}
void DialogAnalysisView::SetProgress(int percent) {
    bridge_->Call([d = dlg_, percent] { d->UiSetProgress(percent); });
}
void DialogAnalysisView::EnableExportButton() {
    bridge_->Call([d = dlg_] { d->UiEnableExportButton(true); });
}
void DialogAnalysisView::SelectFolder(const std::string& path, uint32_t viewIndex) {
    bridge_->Call([d = dlg_, path, viewIndex] { d->UiSelectFolder(path, viewIndex); });
}
void DialogAnalysisView::ShowMessage(const std::string& text) {
    bridge_->Call([d = dlg_, text] { d->UiShowMessage(text); });
}
void DialogAnalysisView::SetDatabaseTitle(const std::string& title) {
    bridge_->Call([d = dlg_, title] { d->UiSetDatabaseTitle(title); });
}

void DialogListView::DeleteAllRows() {
    Finish();
    pending_.clear();
    lastProgress_ = -1;
    bridge_->Call([d = dlg_] { d->UiDeleteAllRows(); });
}

void DialogListView::AddRow(const notes::ListRow& row) {
    if (pending_.empty()) firstPending_ = std::chrono::steady_clock::now();
    pending_.push_back(ToListRow(row));
    if (pending_.size() >= kBatchRows || std::chrono::steady_clock::now() - firstPending_ >= kBatchAge) Flush();
}

void DialogListView::Flush() {
    if (pending_.empty()) return;
    auto rows = std::make_shared<std::vector<controls::CheckListRow>>();
    rows->swap(pending_);
    pending_.reserve(kBatchRows);
    Finish();
    inFlight_ = bridge_->Post([d = dlg_, rows] { d->UiAddRows(*rows); });
}

void DialogListView::Finish() {
    if (inFlight_) bridge_->Wait(inFlight_);
    inFlight_.reset();
}

void DialogListView::EnableTree(bool enable) {
    Flush();
    bridge_->Call([d = dlg_, enable] { d->UiEnableTree(enable); });
}
void DialogListView::EnableExportButton(bool enable) {
    Flush();
    bridge_->Call([d = dlg_, enable] { d->UiEnableExportButton(enable); });
}
void DialogListView::SetStatusText(const std::string& text) {
    Flush();
    bridge_->Call([d = dlg_, text] { d->UiSetStatusText(text); });
}
void DialogListView::SetProgress(int percent) {
    if (percent == lastProgress_) return;
    lastProgress_ = percent;
    bridge_->Call([d = dlg_, percent] { d->UiSetProgress(percent); });
}

void DialogListView::ReportFailure(const std::string& reason) {
    Flush();
    bridge_->Call([d = dlg_, reason] { d->UiShowMessage(reason); });
}

void DialogPreviewView::ShowWaitWindow() {
    bridge_->Call([d = dlg_] { d->UiShowWaitWindow(); });
}
void DialogPreviewView::CloseWaitWindow() {
    bridge_->Call([d = dlg_] { d->UiCloseWaitWindow(); });
}
void DialogPreviewView::EnableList(bool enable) {
    bridge_->Call([d = dlg_, enable] { d->UiEnableList(enable); });
}
void DialogPreviewView::Navigate(const std::string& path) {
    bridge_->Call([d = dlg_, path] { d->UiNavigate(path); });
}
void DialogPreviewView::ReportFailure(const std::string& reason) {
    bridge_->Call([d = dlg_, reason] { d->UiShowMessage(reason); });
}

}  // namespace app
