// The search dialog: finds database files below a folder, lists them while
// the search runs and lets the user pick one.
#pragma once

#include <app/ferrywell_state.h>
#include <selection/file_finder.h>

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace app {

inline constexpr char kSearchMask[] = "*.nsf;*.dxl";
inline constexpr char kNoSearchPath[] = "Please provide location where you want to search nsf file";
inline constexpr char kSelectFile[] = "Please Select the file in the list";

// The row picked in any search dialog of this run.
struct SearchPick {
    static inline std::string filename;
    static inline std::string foldername;
    static inline int bValue = 0;  // 1 once any row was picked
};

class CFindFiles : public QDialog {
    Q_OBJECT
public:
    explicit CFindFiles(app::FerrywellState& state, QWidget* parent = nullptr);

    void OnBnClickedButtonBrowse();
    void OnBnClickedOksearch();
    void OnBnClickedButton3();  // Select >>>
    bool IsSearching() const { return searching_; }

    void reject() override;

private:
    void FileFinderProc(selection::FileFinder& finder, selection::FileFinder::Code code);
    void AddFileToList(const selection::PathParts& path);
    void OnRowChosen();

    app::FerrywellState& state_;
    selection::FileFinder finder_;
    bool searching_ = false;
    QLineEdit* path_;
    QLineEdit* mask_;
    QCheckBox* subfolders_;
    QCheckBox* sizeCheck_;
    QLineEdit* minKb_;
    QLineEdit* maxKb_;
    QLabel* status_;
    QPushButton* searchButton_;
    QTreeWidget* results_;
};

}  // namespace app
