#include <app/ferrywell_dlg.h>
#include <app/folder_picker_dialog.h>
#include <app/list_items_dialog.h>

#include <controls/check_list_ctrl.h>
#include <controls/dialog_services.h>
#include <controls/screen_fit.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace app {

using exporting::OutputKind;

namespace {

constexpr ModeRadio kRadios[] = {
    {OutputKind::Pst, 1006, "Export as Outlook PST File(.pst)"},
    {OutputKind::Profile, 1009, "Export to Outlook Profile"},
    {OutputKind::Msg, 1007, "Export as Mail Message(.msg)"},
    {OutputKind::Html, 1023, "Export to HTML(.html)"},
    {OutputKind::Rtf, 1024, "Export to RTF(.rtf)"},
    {OutputKind::Txt, 1025, "Export to TEXT(.txt)"},
    {OutputKind::Pdf, 1026, "Export to PDF(.pdf)"},
    {OutputKind::Vcf, 1027, "Export to vCard (*.vcf)"},
    {OutputKind::Csv, 1029, "Export to CSV"},
    {OutputKind::CardDav, 1030, "Export to CardDAV Address Book"},
};

}  // namespace

std::set<uint32_t> CheckedEntries(const controls::CheckListModel& list) {
    std::set<uint32_t> entries;
    for (int r = 0; r < list.rowCount(); ++r) {
        if (!list.IsChecked(r)) continue;
        bool ok = false;
        const uint32_t no = list.Row(r).text[2].toUInt(&ok);
        if (ok) entries.insert(no);
    }
    return entries;
}

CSINGLENSFMAILSAVE::CSINGLENSFMAILSAVE(app::FerrywellState& state, const controls::CheckListModel& list,
                                       QWidget* parent)
    : ExportDialog(state, parent), list_(list) {
    setObjectName("CSINGLENSFMAILSAVE");
    setWindowTitle(kListItemsCaption);
    auto* outer = new QVBoxLayout(this);

    auto* formats = new QGroupBox(this);
    auto* grid = new QGridLayout(formats);
    int slot = 0;
    for (const ModeRadio& r : kRadios) {
        if (!exporting::KindAllowed(r.kind, true)) continue;
        auto* radio = WithId(new QRadioButton(r.text, formats), r.id);
        radios_[r.kind] = radio;
        grid->addWidget(radio, slot / 2, slot % 2);
        ++slot;
    }

    auto* settings = new QGroupBox(this);
    auto* sgrid = new QGridLayout(settings);
    split_ = WithId(new QCheckBox("Split PST", settings), 1010);
    splitMb_ = WithId(new QLineEdit(settings), 1012);
    splitMb_->setAccessibleName("Split Size in MB");
    splitMb_->setValidator(new QIntValidator(0, 1 << 30, splitMb_));
    splitMb_->setMaximumWidth(90);
    auto* splitRow = new QHBoxLayout;
    splitRow->addWidget(split_);
    splitRow->addWidget(splitMb_);
    splitRow->addWidget(new QLabel("Size in MB (Minimum 5 MB)", settings));
    splitRow->addStretch(1);
    sgrid->addLayout(splitRow, 0, 0, 1, 3);
    FilterLayout filters;
    filters.namingList = 1065;
    for (std::string_view name : exporting::kNamingConventions)
        filters.namings << QString::fromUtf8(name.data(), qsizetype(name.size()));
    filters.namings.sort();  // a sorted list: "Date+Subject" first
    filters.filterCheck = 1062;
    filters.filterText = "Message Filter";
    filters.endLabel = "End Date :";
    filters.attachmentCheck = 1064;
    BuildFilterControls(sgrid, filters);
    // The choices scroll where the screen is too small for all of them.
    outer->addWidget(controls::ScrollingColumn(this, {formats, settings}));

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel("Saving Path:", this));
    pathRow->addWidget(path_, 1);
    browse_ = WithId(new QPushButton("Browse", this), 1033);
    pathRow->addWidget(browse_);
    outer->addLayout(pathRow);
    outer->addWidget(AddressBookLine());

    auto* logs = new QGroupBox("   Logs:  ", this);
    auto* logLayout = new QVBoxLayout(logs);
    logLayout->addWidget(log_);
    outer->addWidget(logs, 1);
    outer->addWidget(progressBar_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    startExport_ = WithId(new QPushButton(kStartExport, this), 1034);
    buttons->addWidget(startExport_);
    stop_ = WithId(new QPushButton("Stop", this), 1011);
    stop_->setEnabled(false);
    buttons->addWidget(stop_);
    outer->addLayout(buttons);
    for (QPushButton* b : {browse_, startExport_, stop_}) b->setAutoDefault(false);
    SetEnterButtons(startExport_, browse_);

    connect(split_, &QCheckBox::toggled, splitMb_, &QWidget::setEnabled);
    connect(browse_, &QPushButton::clicked, this, &CSINGLENSFMAILSAVE::OnBnClickedButtonBrowse);
    connect(startExport_, &QPushButton::clicked, this, &CSINGLENSFMAILSAVE::OnBnClickedButtonSave);
    connect(stop_, &QPushButton::clicked, this, [this] {
        if (IsExporting()) AskToStop(kAskStop);
    });

    // Opening state: PST chosen; the date pickers are live although the filter is off.
    radios_[OutputKind::Pst]->setChecked(true);
    for (QWidget* w : std::initializer_list<QWidget*>{splitMb_, naming_, namings_, startExport_}) w->setEnabled(false);
    ConnectModeRadios();
    RestoreLastChoice(startExport_);
    controls::FitToScreen(*this, sizeHint().expandedTo({560, 620}));
}

void CSINGLENSFMAILSAVE::OnModeChosen(OutputKind kind) {
    const OutputKind previous = mode_;
    mode_ = kind;
    radios_[kind]->setChecked(true);
    const bool pst = kind == OutputKind::Pst;
    split_->setEnabled(pst);
    splitMb_->setEnabled(pst && split_->isChecked());
    naming_->setEnabled(!pst && kind != OutputKind::Profile && kind != OutputKind::Csv && kind != OutputKind::CardDav);
    browse_->setEnabled(true);
    ShowAddressBookLine(kind);
    if (kind != OutputKind::Profile) return;
    if (previous != OutputKind::Profile && ChosenByArrowKeys()) {
        // Passed on the way to another kind: no picker until Browse or Enter
        // asks, and no folder of a file kind to export into.
        SetDestination({});
        startExport_->setEnabled(false);
        return;
    }
    // The picked folder becomes the path; only Browse enables Start Export.
    if (const auto path = PickProfileFolderPath(this)) SetDestination(*path);
    // Cancelled: the kind chosen before comes back.
    else if (previous != OutputKind::Profile) radios_[previous]->setChecked(true);
}

void CSINGLENSFMAILSAVE::OnBnClickedButtonBrowse() {
    if (mode_ == OutputKind::Profile) {
        // The profile's folder is the destination of that kind.
        if (const auto path = PickProfileFolderPath(this)) {
            SetDestination(*path);
            startExport_->setEnabled(true);
        }
        return;
    }
    const QString chosen = controls::PathChooser::ChooseFolder(this, "Select Saving Path");
    if (chosen.isEmpty()) return;
    SetDestination(chosen);
    startExport_->setEnabled(true);
}

exporting::ExportOptions CSINGLENSFMAILSAVE::Options() const {
    exporting::ExportOptions o = FilterOptions(mode_, destination_);
    // The check stays ticked, though disabled, when another kind is chosen.
    o.splitPst = mode_ == OutputKind::Pst && split_->isChecked();
    o.splitSize = exporting::SplitMegabytesSize(splitMb_->text().toULongLong());
    return o;
}

void CSINGLENSFMAILSAVE::OnBnClickedButtonSave() {
    if (IsExporting()) return;
    SaveData();
}

void CSINGLENSFMAILSAVE::SaveData() {
    exporting::ExportRequest request = RequestFromState();
    request.listed = exporting::ListedEntries{state_.listedView.load(), state_.listedFolder.get(), CheckedEntries(list_)};
    request.options = Options();
    if (!Acceptable(request)) return;
    DisableForRun({startExport_, browse_, split_, splitMb_});
    startExport_->setText(kUnderProcessShort);
    stop_->setEnabled(true);
    StartExport(std::move(request));
}

void CSINGLENSFMAILSAVE::Finished() {
    EnableAfterRun();
    startExport_->setEnabled(true);
    startExport_->setText(kStartExport);
    stop_->setEnabled(false);
}

void CSINGLENSFMAILSAVE::UiShowOutcome(const exporting::ExportOutcome& outcome) {
    const std::string message = exporting::EndOfRunMessage(outcome);
    if (!message.empty()) UiShowMessage(QString::fromStdString(message));
}

void CSINGLENSFMAILSAVE::reject() {
    if (IsExporting()) {
        if (!StopForClose(kAskExit)) return;
    } else if (controls::MessageService::Show(this, kAskExit, controls::MsgButtons::YesNo, controls::MsgIcon::Question) !=
               controls::MsgAnswer::Yes) {
        return;
    }
    QDialog::reject();
}

}  // namespace app
