// The selected-items export dialog ("Export List Items"): exports the rows
// ticked in the main window's list, from the view that list shows.
#pragma once

#include <app/export_dialog.h>

#include <set>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace controls {
class CheckListModel;
}

namespace app {

inline constexpr char kListItemsCaption[] = "Export List Items";
inline constexpr char kStartExport[] = "Start Export";
inline constexpr char kUnderProcessShort[] = "Under Process";

// The "NO" values (entry indexes) of the ticked rows.
std::set<uint32_t> CheckedEntries(const controls::CheckListModel& list);

class CSINGLENSFMAILSAVE : public ExportDialog {
    Q_OBJECT
public:
    CSINGLENSFMAILSAVE(app::FerrywellState& state, const controls::CheckListModel& list, QWidget* parent = nullptr);

    exporting::ExportOptions Options() const;

    void OnModeChosen(exporting::OutputKind kind) override;
    void OnBnClickedButtonBrowse();
    void OnBnClickedButtonSave();
    // Exports the ticked rows of the listed view: the request from the
    // dialog, the list and the window's state, run on a worker.
    void SaveData();

    void UiShowOutcome(const exporting::ExportOutcome& outcome) override;
    void reject() override;

protected:
    void Finished() override;

private:
    const controls::CheckListModel& list_;
    QCheckBox* split_;
    QLineEdit* splitMb_;
    QPushButton* browse_;
    QPushButton* startExport_;
    QPushButton* stop_;
};

}  // namespace app
