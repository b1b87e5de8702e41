// The export options dialog ("Select Saving Option Type"): exports every
// folder ticked in the main window's tree to the chosen output kind.
#pragma once

#include <app/export_dialog.h>


class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace app {

inline constexpr char kConvertNotesCaption[] = "Select Saving Option Type";
inline constexpr char kUnderProcess[] = "Under Process...";
inline constexpr char kSaveText[] = "Save";
inline constexpr char kFinishText[] = "Finish";
inline constexpr char kFolderStatus[] = "Saving Folder Status :";

class CConvertNotes : public ExportDialog {
    Q_OBJECT
public:
    // folders: the folder records ticked in the tree, in list order.
    CConvertNotes(app::FerrywellState& state, std::vector<notes::FolderRecord> folders, QWidget* parent = nullptr);

    // The options Save hands to the export.
    exporting::ExportOptions Options() const;

    void OnModeChosen(exporting::OutputKind kind) override;
    void OnBnClickedBrowse();
    void OnBnClickedSave();
    void OnBnClickedStop();
    // Exports every contact of the ticked folders: the request from the
    // dialog and the window's state, run on a worker.
    void SaveMailBox();

    void UiSetTarget(const QString& target) override;
    void UiShowOutcome(const exporting::ExportOutcome& outcome) override;
    void reject() override;

protected:
    void Finished() override;

private:
    void EnableWhileIdle(bool idle);
    // The profile folder picker; true when a folder became the destination.
    bool PickProfileFolder();

    std::vector<notes::FolderRecord> folders_;
    QCheckBox* split_;
    QComboBox* splitSizes_;
    QCheckBox* ignoreSaved_;
    QPushButton* browse_;
    QLabel* status_;
    QPushButton* save_;
    QPushButton* stop_;
};

}  // namespace app
