// The dialog in which the user chooses the database and the scratch folder.
// Choices go into the shared state at once; Next only confirms them. Every
// scratch folder it offers exists and belongs to this process.
#pragma once

#include <app/ferrywell_state.h>

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace app {

// The chooser's filter: shown as "Lotus Notes File (*nsf)", matching .nsf
// files and the DXL exports the program reads.
inline constexpr char kNsfFilter[] = "Lotus Notes File (*nsf) (*.nsf *.dxl)";
// Said when no scratch folder can be made in the chosen location; the
// location follows.
inline constexpr char kScratchNotMade[] = "Cannot create a scratch folder in ";

class FirstDialog : public QDialog {
    Q_OBJECT
public:
    explicit FirstDialog(app::FerrywellState& state, QWidget* parent = nullptr);

    void OnBnClickedButton1();  // Browse for the database
    void OnBnClickedButton2();  // Next
    void OnBnClickedButton3();  // Search
    void OnBnClickedButton4();  // Browse for the scratch location

private:
    // The process's own scratch folder below the runtime folder.
    void UseDefaultScratch();

    app::FerrywellState& state_;
    QLineEdit* fileEdit_;
    QLineEdit* tempEdit_;
    QPushButton* next_;
};

}  // namespace app
