#include <app/export_dialog.h>

#include <controls/dialog_services.h>
#include <controls/remembered.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QDesktopServices>
#include <QFileInfo>
#include <QEventLoop>
#include <QUrl>

#include <chrono>
#include <utility>

namespace app {

namespace {
ExportDialog::FolderOpener& Opener() {
    static ExportDialog::FolderOpener opener;
    return opener;
}
ExportDialog::LogTap& TapSlot() {
    static ExportDialog::LogTap tap;
    return tap;
}
}  // namespace

int Percent(uint64_t done, uint64_t total) { return total == 0 ? 0 : int(std::min<uint64_t>(100, done * 100 / total)); }

notes::OleDate PickerDate(const QDateTimeEdit& picker) {
    return notes::ConvertString2Date(picker.dateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString());
}

ExportDialog::ExportDialog(app::FerrywellState& state, QWidget* parent)
    : QDialog(parent), state_(state), path_(WithId(new QLineEdit(this), 1000)), log_(WithId(new CExportLog(this), 1044)),
      progressBar_(new ExportProgress(this)) {
    // A few lines at least; more where the screen has room.
    path_->setAccessibleName("Output Path");
    log_->setAccessibleName("Log");
    log_->setMinimumHeight(log_->fontMetrics().lineSpacing() * 4);
    // An export held back by a full log goes on as the log takes lines in.
    connect(log_, &CExportLog::backlogShrank, this, [bridge = bridge_] { bridge->Notify(); });
    RegisterStopRequest(stop_);
}

void ExportDialog::SetDestination(const QString& path) {
    destination_ = path;
    path_->setText(path);
}

ExportDialog::~ExportDialog() { StopAndWait(); }

void ExportDialog::RestoreLastChoice(QPushButton* start) {
    const auto last = controls::RememberedExport(objectName());
    if (!last) return;
    const auto kind = exporting::KindFromMode(last->kind.toStdString());
    if (!kind || *kind == exporting::OutputKind::Profile || !radios_.count(*kind)) return;
    radios_[*kind]->setChecked(true);
    if (*kind == exporting::OutputKind::CardDav && bookLine_) {
        bookUrl_->setText(last->destination);
        bookUser_->setText(last->user);
        return;
    }
    if (last->destination.isEmpty() || !QFileInfo(last->destination).isDir()) return;
    SetDestination(last->destination);
    start->setEnabled(true);
}

void ExportDialog::ConnectModeRadios() {
    for (auto& [kind, radio] : radios_) {
        connect(radio, &QAbstractButton::toggled, this, [this, k = kind](bool checked) {
            if (checked) OnModeChosen(k);
        });
        // Every click starts with a press; only a click on the radio that was
        // checked already changes no state, so it alone is handled here.
        connect(radio, &QAbstractButton::pressed, this, [this, r = radio] { pressedWhileChecked_ = r->isChecked(); });
        connect(radio, &QAbstractButton::clicked, this, [this, k = kind] {
            if (std::exchange(pressedWhileChecked_, false)) OnModeChosen(k);
        });
        radio->installEventFilter(this);
    }
}

bool ExportDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right: {
        // The radio moves on and checks the next one while the mark is set.
        QScopedValueRollback<bool> byArrows(arrowChoice_, true);
        static_cast<QObject*>(watched)->event(event);
        return true;
    }
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void ExportDialog::SetEnterButtons(QPushButton* start, QPushButton* browse) {
    enterStart_ = start;
    enterBrowse_ = browse;
    start->setDefault(true);
}

void ExportDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || !enterStart_ || event->modifiers() & ~Qt::KeypadModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    if (running_) return;
    QPushButton* target = enterStart_->isEnabled() ? enterStart_ : enterBrowse_;
    if (target->isEnabled()) target->click();
}

void ExportDialog::DisableForRun(std::vector<QWidget*> controls) {
    for (auto& [kind, radio] : radios_) controls.push_back(radio);
    controls.insert(controls.end(), {naming_, namings_, filter_, start_, end_, attachments_});
    if (bookLine_) controls.push_back(bookLine_);
    enabledBeforeRun_.clear();
    for (QWidget* w : controls) {
        enabledBeforeRun_[w] = w->isEnabled();
        w->setEnabled(false);
    }
}

void ExportDialog::EnableAfterRun() {
    for (auto& [w, enabled] : enabledBeforeRun_) w->setEnabled(enabled);
    enabledBeforeRun_.clear();
}

void ExportDialog::BuildFilterControls(QGridLayout* grid, const FilterLayout& layout) {
    QWidget* parent = grid->parentWidget();
    const int row = grid->rowCount();
    naming_ = WithId(new QCheckBox("  Naming Convention :", parent), 1069);
    namings_ = WithId(new QComboBox(parent), layout.namingList);
    namings_->addItems(layout.namings);
    namings_->setCurrentIndex(0);
    namings_->setAccessibleName("Naming Convention");
    grid->addWidget(naming_, row, 0);
    grid->addWidget(namings_, row, 1);
    filter_ = WithId(new QCheckBox(layout.filterText, parent), layout.filterCheck);
    grid->addWidget(filter_, row + 1, 0);
    const QDateTime now = QDateTime::currentDateTime();
    start_ = WithId(new QDateTimeEdit(now, parent), 1066);
    end_ = WithId(new QDateTimeEdit(now, parent), 1067);
    for (QDateTimeEdit* picker : {start_, end_}) {
        picker->setDisplayFormat("yyyy-MM-dd HH:mm:ss");
        picker->setCalendarPopup(true);
        picker->setMinimumWidth(picker->fontMetrics().horizontalAdvance("0000-00-00 00:00:00") + 48);
    }
    start_->setAccessibleName("Start Date");
    end_->setAccessibleName("End Date");
    grid->addWidget(new QLabel("Start Date :", parent), row + 2, 0);
    grid->addWidget(start_, row + 2, 1);
    grid->addWidget(new QLabel(layout.endLabel, parent), row + 3, 0);
    grid->addWidget(end_, row + 3, 1);
    attachments_ = WithId(new QCheckBox("Message has attachment(s).", parent), layout.attachmentCheck);
    grid->addWidget(attachments_, row + 4, 0, 1, 2);
    grid->setColumnStretch(2, 1);

    connect(naming_, &QCheckBox::toggled, namings_, &QWidget::setEnabled);
    connect(filter_, &QCheckBox::toggled, this, [this](bool on) {
        for (QWidget* w : std::initializer_list<QWidget*>{start_, end_, attachments_}) w->setEnabled(on);
    });
}

exporting::ExportOptions ExportDialog::FilterOptions(exporting::OutputKind kind, const QString& destination) const {
    exporting::ExportOptions o;
    o.kind = kind;
    o.destination = destination.toStdString();
    o.namingOn = naming_->isChecked();
    o.naming = namings_->currentText().toStdString();
    o.filterOn = filter_->isChecked();
    o.filterStart = PickerDate(*start_);
    o.filterEnd = PickerDate(*end_);
    // Without the filter the attachment check filters nothing either.
    o.requireAttachments = o.filterOn && attachments_->isChecked();
    if (kind == exporting::OutputKind::CardDav && bookLine_) {
        o.destination = bookUrl_->text().trimmed().toStdString();
        o.user = bookUser_->text().trimmed().toStdString();
        o.password = bookPassword_->text().toStdString();
    }
    return o;
}

void ExportDialog::SetFolderOpener(FolderOpener opener) { Opener() = std::move(opener); }

void ExportDialog::SetLogTap(LogTap tap) { TapSlot() = std::move(tap); }
const ExportDialog::LogTap& ExportDialog::Tap() { return TapSlot(); }

void ExportDialog::OpenFolder(const QString& directory) {
    if (Opener()) Opener()(directory);
    else QDesktopServices::openUrl(QUrl::fromLocalFile(directory));
}

exporting::ExportRequest ExportDialog::RequestFromState() const {
    exporting::ExportRequest request;
    request.database = state_.databasePath.get();
    request.databaseTitle = state_.SourceFileName.get();
    return request;
}

bool ExportDialog::Acceptable(const exporting::ExportRequest& request) {
    const exporting::RequestCheck check = exporting::CheckRequest(request);
    if (check.Ok() || check.problem == exporting::RequestProblem::NoDestination) return true;
    UiShowMessage(QString::fromStdString(check.text));
    return false;
}

void ExportDialog::StartExport(exporting::ExportRequest request) {
    if (running_) return;
    running_ = true;
    stop_->store(0);
    const std::string_view mode = exporting::ModeString(request.options.kind);
    controls::RememberExport(objectName(), {QString::fromUtf8(mode.data(), qsizetype(mode.size())),
                                            QString::fromStdString(request.options.destination),
                                            QString::fromStdString(request.options.user)});
    progressBar_->Start();
    auto shared = std::make_shared<const exporting::ExportRequest>(std::move(request));
    // The worker does not wait for the dialog at the end: what it hands over
    // last is queued, and the dialog shows the closing notice with the run
    // over, its target closed and every line of it in the log.
    StartWorker(workers_, [request = shared, stop = stop_, bridge = bridge_, dlg = this] {
        exporting::ExportOutcome outcome;
        {
            DialogExportSink sink(dlg);
            outcome = exporting::RunExport(*request, *stop, sink);
        }
        std::string folder = exporting::FinishedFolder(*request, outcome);
        bridge->Post([dlg, outcome = std::move(outcome), folder = std::move(folder)]() mutable {
            dlg->RunEnded(std::move(outcome), folder);
        });
    }, [bridge = bridge_, dlg = this](const std::string& what) {
        // The export reports its own failures; this is the last resort for
        // anything it let through: said in the log, the dialog idle again.
        bridge->Post([dlg, what] { dlg->RunFailed(what); });
    });
}

void ExportDialog::RunEnded(exporting::ExportOutcome outcome, const std::string& folder) {
    outcome_ = std::move(outcome);
    running_ = false;
    progressBar_->Finish();
    Finished();
    // The notice comes below the whole log, its closing line included.
    log_->Flush();
    UiShowOutcome(outcome_);
    if (!folder.empty()) OpenFolder(QString::fromStdString(folder));
    emit exportEnded();
}

void ExportDialog::RunFailed(const std::string& what) {
    UiAppendLines({LogLine{"The export stopped on an error: " + what, exporting::kColourError}});
    outcome_ = {};
    outcome_.error = what;
    running_ = false;
    progressBar_->Finish();
    Finished();
    emit exportEnded();
}

void ExportDialog::StopAndWait() {
    // Running until the dialog has taken the run's end: until then the
    // worker may still hand something over.
    if (!running_) return;
    stop_->store(1);
    // From here on the worker's calls are dropped and it never waits for us.
    bridge_->Close();
    workers_->WaitUntilNone();
    running_ = false;
}

bool ExportDialog::AskToStop(const char* question) {
    if (controls::MessageService::Show(this, question, controls::MsgButtons::YesNo, controls::MsgIcon::Question) !=
        controls::MsgAnswer::Yes)
        return false;
    stop_->store(1);
    log_->AppendToLog(kStoppedByUser, exporting::kColourProgress);
    return true;
}

bool ExportDialog::StopForClose(const char* question) {
    if (!running_) return true;
    if (closing_ || !AskToStop(question)) return false;
    QScopedValueRollback<bool> closing(closing_, true);
    QEventLoop ended;
    connect(this, &ExportDialog::exportEnded, &ended, &QEventLoop::quit);
    if (running_) ended.exec();
    return true;
}

void ExportDialog::UiAppendLines(const std::vector<LogLine>& lines) { log_->AppendLines(lines); }

void ExportDialog::UiAppendBatch(LogBatch batch) { log_->AppendBatch(std::move(batch)); }

void ExportDialog::UiSetProgress(uint64_t done, uint64_t total) {
    progressBar_->Show(done, total);
    if (progress_) progress_(done, total);
}

void ExportDialog::UiShowMessage(const QString& text) {
    controls::MessageService::Show(this, text, controls::MsgButtons::Ok, controls::MsgIcon::Question);
}

void DialogExportSink::AppendToLog(const std::string& text, uint32_t colour) {
    if (ExportDialog::Tap()) ExportDialog::Tap()(text);
    if (pending_.empty()) firstPending_ = std::chrono::steady_clock::now();
    pending_.Add(text, colour);
    if (pending_.size() >= kBatchLines || std::chrono::steady_clock::now() - firstPending_ >= kBatchAge) Flush();
}

void DialogExportSink::Flush() {
    if (pending_.empty()) return;
    auto lines = std::make_shared<LogBatch>(std::exchange(pending_, {}));
    Finish();
    // A window far behind (a busy machine) holds the export back rather than
    // let the queue grow without end; the log wakes it as it takes lines in.
    const CExportLog& log = dlg_->Log();
    bridge_->WaitUntil([&log] { return log.Backlog() <= kMaxBacklog; });
    inFlight_ = bridge_->Post([d = dlg_, lines] { d->UiAppendBatch(std::move(*lines)); });
}

void DialogExportSink::Finish() {
    Flush();
    if (inFlight_) bridge_->Wait(inFlight_);
    inFlight_.reset();
}

void DialogExportSink::SetTarget(const std::string& target) {
    Flush();
    bridge_->Call([d = dlg_, target] { d->UiSetTarget(QString::fromStdString(target)); });
}

void DialogExportSink::SetProgress(uint64_t done, uint64_t total) {
    if (!pending_.empty() && std::chrono::steady_clock::now() - firstPending_ >= kBatchAge) Flush();
    const int percent = Percent(done, total);
    const auto now = std::chrono::steady_clock::now();
    if (percent == lastPercent_ && now - lastShown_ < kProgressEvery) return;
    lastPercent_ = percent;
    lastShown_ = now;
    bridge_->Post([d = dlg_, done, total] { d->UiSetProgress(done, total); });
}

}  // namespace app
