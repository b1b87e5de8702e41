// The dialog in which the user chooses the database and the scratch folder.
// Choices go into the shared state at once; Next only confirms them.
#pragma once

#include <notes/shared_state.h>

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace app {

// The chooser's filter: shown as "Lotus Notes File (*nsf)", matching .nsf
// files and the DXL exports the program reads.
inline constexpr char kNsfFilter[] = "Lotus Notes File (*nsf) (*.nsf *.dxl)";

class FirstDialog : public QDialog {
    Q_OBJECT
public:
    explicit FirstDialog(notes::FerrywellState& state, QWidget* parent = nullptr);

    void OnBnClickedButton1();  // Browse for the database
    void OnBnClickedButton2();  // Next
    void OnBnClickedButton3();  // Search
    void OnBnClickedButton4();  // Browse for the scratch location

private:
    notes::FerrywellState& state_;
    QLineEdit* fileEdit_;
    QLineEdit* tempEdit_;
    QPushButton* next_;
};

}  // namespace app
