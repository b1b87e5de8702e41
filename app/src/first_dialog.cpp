#include <app/find_files_dialog.h>
#include <app/first_dialog.h>

#include <controls/dialog_services.h>
#include <controls/screen_fit.h>

#include <selection/scratch.h>

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

namespace {
QPushButton* MakeButton(const char* text, int id, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString("id%1").arg(id));
    button->setAutoDefault(false);
    return button;
}
}  // namespace

FirstDialog::FirstDialog(app::FerrywellState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setObjectName("FirstDialog");
    setWindowTitle("Select Lotus Notes (*.nsf) File");
    auto* outer = new QVBoxLayout(this);
    auto* group = new QGroupBox(this);
    auto* grid = new QGridLayout(group);

    grid->addWidget(new QLabel("Select Lotus Notes (*.nsf) File:", group), 0, 0, 1, 2);
    fileEdit_ = new QLineEdit(group);
    fileEdit_->setObjectName("id1000");
    fileEdit_->setEnabled(false);
    fileEdit_->setAccessibleName("Lotus Notes File");
    // Wide where the screen allows, narrower on a small or scaled one.
    fileEdit_->setMinimumWidth(fileEdit_->fontMetrics().averageCharWidth() * 24);
    grid->addWidget(fileEdit_, 1, 0);
    QPushButton* browse = MakeButton("Browse", 1001, group);
    grid->addWidget(browse, 1, 1);
    QPushButton* search = MakeButton("Search NSF FILE", 1015, group);
    grid->addWidget(search, 2, 1);

    grid->addWidget(new QLabel("Temp Locations :", group), 3, 0, 1, 2);
    tempEdit_ = new QLineEdit(group);
    tempEdit_->setObjectName("id1032");
    tempEdit_->setEnabled(false);
    tempEdit_->setAccessibleName("Temp Location");
    grid->addWidget(tempEdit_, 4, 0);
    QPushButton* browseTemp = MakeButton("Browse", 1038, group);
    grid->addWidget(browseTemp, 4, 1);
    outer->addWidget(group);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    next_ = MakeButton("Next", 1002, this);
    next_->setEnabled(false);
    next_->setDefault(true);  // Enter goes on once a file is chosen
    QPushButton* cancel = MakeButton("Cancel", 2, this);
    buttons->addWidget(next_);
    buttons->addWidget(cancel);
    outer->addLayout(buttons);
    controls::FitToScreen(*this, {sizeHint().width() + 420 - fileEdit_->minimumWidth(), sizeHint().height()});

    connect(browse, &QPushButton::clicked, this, &FirstDialog::OnBnClickedButton1);
    connect(next_, &QPushButton::clicked, this, &FirstDialog::OnBnClickedButton2);
    connect(search, &QPushButton::clicked, this, &FirstDialog::OnBnClickedButton3);
    connect(browseTemp, &QPushButton::clicked, this, &FirstDialog::OnBnClickedButton4);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    UseDefaultScratch();
}

void FirstDialog::UseDefaultScratch() {
    state_.AppPath1.set(selection::RuntimeFolder());
    state_.tempFilePath.set(selection::ProcessScratch().Default());
    tempEdit_->setText(QString::fromStdString(state_.tempFilePath.get()));
}

void FirstDialog::OnBnClickedButton1() {
    const QString chosen = controls::PathChooser::ChooseOpenFile(this, "Select Lotus Notes File...", kNsfFilter);
    if (chosen.isEmpty()) return;
    const std::string path = chosen.toStdString();
    state_.databasePath.set(path);
    state_.SourceFileName.set(selection::SourceTitle(path));
    fileEdit_->setText(chosen);
    UseDefaultScratch();
    next_->setEnabled(true);
}

void FirstDialog::OnBnClickedButton2() {
    state_.ibrowsefile.store(1);
    accept();
}

void FirstDialog::OnBnClickedButton3() {
    {
        CFindFiles search(state_, this);
        search.exec();
    }
    const std::string path = state_.databasePath.get();
    if (!path.empty()) {
        fileEdit_->setText(QString::fromStdString(path));
        next_->setEnabled(true);
    }
}

void FirstDialog::OnBnClickedButton4() {
    const QString chosen = controls::PathChooser::ChooseFolder(this, "Select the Temp Path");
    if (chosen.isNull()) return;  // cancelled
    if (chosen.isEmpty()) {
        UseDefaultScratch();
        return;
    }
    const std::string scratch = selection::ProcessScratch().MakeIn(chosen.toStdString());
    if (scratch.empty()) {
        // The scratch folder stays where it was.
        controls::MessageService::Show(this, QString(kScratchNotMade) + chosen, controls::MsgButtons::Ok,
                                       controls::MsgIcon::Stop);
        return;
    }
    state_.tempFilePath.set(scratch);
    tempEdit_->setText(QString::fromStdString(scratch));
}

}  // namespace app
