#include <app/convert_notes_dialog.h>
#include <app/ferrywell_dlg.h>
#include <app/folder_picker_dialog.h>

#include <controls/dialog_services.h>
#include <controls/screen_fit.h>
#include <controls/theme_colours.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace app {

using exporting::OutputKind;

namespace {

constexpr char kOutlookNote[] = "Select this option to save the recovered data in MS Outlook.";

constexpr ModeRadio kFileRadios[] = {
    {OutputKind::Msg, 1007, "Save as MSG File(.msg)"},   {OutputKind::Html, 1009, "Save as HTML File(.html)"},
    {OutputKind::Txt, 1024, "Save as TXT File(.txt)"},   {OutputKind::Doc, 1025, "Save as DOC File(.doc)"},
    {OutputKind::Rtf, 1028, "Save as RTF File"},         {OutputKind::Mhtml, 1027, "Save as MHTML File"},
    {OutputKind::Pdf, 1029, "Save as PDF File"},         {OutputKind::Vcf, 1048, "Save as vCard (*.vcf)"},
    {OutputKind::Csv, 1049, "Export to CSV"},
    {OutputKind::CardDav, 1050, "Save to CardDAV Address Book"},
};

QLabel* Note(QWidget* parent) {
    auto* label = new QLabel(kOutlookNote, parent);
    label->setIndent(20);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, controls::Legible(QColor(0x55, 0x55, 0x55), palette.color(QPalette::Window)));
    label->setPalette(palette);
    return label;
}

}  // namespace

CConvertNotes::CConvertNotes(app::FerrywellState& state, std::vector<notes::FolderRecord> folders, QWidget* parent)
    : ExportDialog(state, parent), folders_(std::move(folders)) {
    setObjectName("id157");
    setWindowTitle(kConvertNotesCaption);
    auto* outer = new QVBoxLayout(this);

    auto* options = new QGroupBox(this);
    auto* grid = new QGridLayout(options);
    grid->addWidget(WithId(new QLabel("Select the output type option to save recovered data", options), 1040), 0, 0, 1, 3);
    auto* pst = WithId(new QRadioButton("Save in Outlook(Create New PST file .pst file)...", options), 1006);
    radios_[OutputKind::Pst] = pst;
    grid->addWidget(pst, 1, 0, 1, 3);
    grid->addWidget(Note(options), 2, 0, 1, 3);
    split_ = WithId(new QCheckBox("Split PST", options), 1035);
    splitSizes_ = WithId(new QComboBox(options), 1036);
    splitSizes_->setAccessibleName("Split Size");
    for (std::string_view size : exporting::kSplitChoices)
        splitSizes_->addItem(QString::fromUtf8(size.data(), qsizetype(size.size())));
    auto* splitRow = new QHBoxLayout;
    splitRow->addSpacing(20);
    splitRow->addWidget(split_);
    splitRow->addWidget(splitSizes_);
    splitRow->addStretch(1);
    grid->addLayout(splitRow, 3, 0, 1, 3);
    auto* profile = WithId(new QRadioButton("Save to Outlook Profile", options), 1023);
    radios_[OutputKind::Profile] = profile;
    grid->addWidget(profile, 4, 0, 1, 3);
    grid->addWidget(Note(options), 5, 0, 1, 3);
    int slot = 0;
    for (const ModeRadio& r : kFileRadios) {
        auto* radio = WithId(new QRadioButton(r.text, options), r.id);
        radios_[r.kind] = radio;
        grid->addWidget(radio, 6 + slot / 3, slot % 3);
        ++slot;
    }

    auto* settings = new QGroupBox(this);
    auto* sgrid = new QGridLayout(settings);
    // Leaves what an earlier export of the database saved there (the export's skipSaved).
    ignoreSaved_ = WithId(new QCheckBox("Ignore already saved message", settings), 1062);
    sgrid->addWidget(ignoreSaved_, 0, 0, 1, 2);
    FilterLayout filters;
    filters.namingList = 1063;
    for (std::string_view name : exporting::kNamingConventions)
        filters.namings << QString::fromUtf8(name.data(), qsizetype(name.size()));
    filters.filterCheck = 1064;
    filters.filterText = "   Message Filter   ";
    filters.endLabel = "End Date : ";
    filters.attachmentCheck = 1068;
    BuildFilterControls(sgrid, filters);
    // The choices scroll where the screen is too small for all of them.
    outer->addWidget(controls::ScrollingColumn(this, {options, settings}));

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel("Output Path:", this));
    path_->setReadOnly(true);
    pathRow->addWidget(path_, 1);
    browse_ = WithId(new QPushButton("Browse", this), 1010);
    pathRow->addWidget(browse_);
    outer->addLayout(pathRow);
    outer->addWidget(AddressBookLine());

    status_ = WithId(new QLabel("Saving Status:", this), 1042);
    // A long target folder does not widen the dialog.
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    outer->addWidget(status_);
    outer->addWidget(progressBar_);
    outer->addWidget(log_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    save_ = WithId(new QPushButton(kSaveText, this), 1037);
    stop_ = WithId(new QPushButton("Stop", this), 1011);
    buttons->addWidget(save_);
    buttons->addWidget(stop_);
    outer->addLayout(buttons);
    for (QPushButton* b : {browse_, save_, stop_}) b->setAutoDefault(false);
    SetEnterButtons(save_, browse_);

    connect(split_, &QCheckBox::toggled, splitSizes_, &QWidget::setEnabled);
    connect(browse_, &QPushButton::clicked, this, &CConvertNotes::OnBnClickedBrowse);
    connect(save_, &QPushButton::clicked, this, &CConvertNotes::OnBnClickedSave);
    connect(stop_, &QPushButton::clicked, this, &CConvertNotes::OnBnClickedStop);

    // Opening state.
    pst->setChecked(true);
    naming_->setEnabled(false);
    namings_->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{start_, end_, attachments_, save_, stop_}) w->setEnabled(false);
    ConnectModeRadios();
    RestoreLastChoice(save_);
    controls::FitToScreen(*this, sizeHint().expandedTo({620, 700}));
}

void CConvertNotes::OnModeChosen(OutputKind kind) {
    const OutputKind previous = mode_;
    mode_ = kind;
    radios_[kind]->setChecked(true);
    ShowAddressBookLine(kind);
    if (kind == OutputKind::Profile) {
        for (QWidget* w : std::initializer_list<QWidget*>{split_, splitSizes_, naming_}) w->setEnabled(false);
        // Browse picks the profile's folder again.
        browse_->setEnabled(true);
        if (previous != OutputKind::Profile && ChosenByArrowKeys()) {
            // Passed on the way to another kind: no picker until Browse or
            // Enter asks, and no folder of a file kind to save into.
            SetDestination({});
            save_->setEnabled(false);
            return;
        }
        const QString before = destination_;
        const bool couldSave = save_->isEnabled();
        if (PickProfileFolder() || previous == OutputKind::Profile) return;
        // Cancelled: the kind chosen before comes back, with its destination.
        radios_[previous]->setChecked(true);
        SetDestination(before);
        save_->setEnabled(couldSave);
        return;
    }
    if (previous == OutputKind::Profile) SetDestination({});
    const bool pst = kind == OutputKind::Pst;
    split_->setEnabled(pst);
    splitSizes_->setEnabled(pst);
    browse_->setEnabled(kind != OutputKind::CardDav);
    if (pst || kind == OutputKind::Csv || kind == OutputKind::CardDav) naming_->setEnabled(false);
    else if (kind != OutputKind::Mhtml) naming_->setEnabled(true);
}

bool CConvertNotes::PickProfileFolder() {
    const auto path = PickProfileFolderPath(this);
    if (!path) return false;
    SetDestination(*path);
    save_->setEnabled(true);
    return true;
}

void CConvertNotes::OnBnClickedBrowse() {
    if (mode_ == OutputKind::Profile) {
        PickProfileFolder();
        return;
    }
    const QString chosen = controls::PathChooser::ChooseFolder(this, "Select the Destination Path");
    if (chosen.isEmpty()) return;
    SetDestination(chosen);
    save_->setEnabled(true);
}

exporting::ExportOptions CConvertNotes::Options() const {
    exporting::ExportOptions o = FilterOptions(mode_, destination_);
    // The check stays ticked, though disabled, when another kind is chosen.
    o.splitPst = mode_ == OutputKind::Pst && split_->isChecked();
    o.splitSize = exporting::SplitChoiceSize(splitSizes_->currentIndex());
    o.skipSaved = ignoreSaved_->isChecked();
    return o;
}

void CConvertNotes::EnableWhileIdle(bool idle) {
    if (!idle) {
        DisableForRun({save_, browse_, split_, splitSizes_, ignoreSaved_});
        stop_->setEnabled(true);
        return;
    }
    EnableAfterRun();
    save_->setEnabled(true);
    stop_->setEnabled(false);
}

void CConvertNotes::OnBnClickedSave() {
    if (save_->text() != kSaveText || IsExporting()) return;
    SaveMailBox();
}

void CConvertNotes::SaveMailBox() {
    exporting::ExportRequest request = RequestFromState();
    request.folders = folders_;
    request.options = Options();
    if (!Acceptable(request)) return;
    EnableWhileIdle(false);
    StartExport(std::move(request));
}

void CConvertNotes::OnBnClickedStop() {
    if (IsExporting()) AskToStop(kAskStop);
}

void CConvertNotes::Finished() {
    EnableWhileIdle(true);
    save_->setText(kSaveText);
}

void CConvertNotes::UiSetTarget(const QString& target) {
    save_->setText(kUnderProcess);
    status_->setText(kFolderStatus + target);
}

void CConvertNotes::UiShowOutcome(const exporting::ExportOutcome& outcome) {
    const std::string message = exporting::EndOfRunMessage(outcome);
    if (message.empty()) return;
    // A run that went through its folders reads "Finish" while its message
    // is up; one that could not start only says why.
    const bool ran = outcome.end == exporting::ExportEnd::Completed || outcome.end == exporting::ExportEnd::Stopped ||
                     outcome.end == exporting::ExportEnd::DiskFull;
    if (ran) save_->setText(kFinishText);
    UiShowMessage(QString::fromStdString(message));
    if (ran) save_->setText(kSaveText);
}

void CConvertNotes::reject() {
    if (!StopForClose(kAskStop)) return;
    QDialog::reject();
}

}  // namespace app
