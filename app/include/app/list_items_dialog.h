// The selected-items export dialog ("Export List Items"): exports the rows
// ticked in the main window's list, from the view that list shows.
#pragma once

#include <app/export_dialog.h>

#include <notes/shared_state.h>

#include <map>
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
// The smallest split size the size box takes, in MB.
inline constexpr uint64_t kMinSplitMb = 5;

// The "NO" values (entry indexes) of the ticked rows.
std::set<uint32_t> CheckedEntries(const controls::CheckListModel& list);

class CSINGLENSFMAILSAVE : public ExportDialog {
    Q_OBJECT
public:
    CSINGLENSFMAILSAVE(notes::FerrywellState& state, const controls::CheckListModel& list, QWidget* parent = nullptr);

    exporting::OutputKind SavingMode() const { return mode_; }  // saving_mode1
    const QString& MessageSavepath() const { return destination_; }
    exporting::ExportOptions Options() const;

    void OnModeChosen(exporting::OutputKind kind);
    void OnBnClickedButtonBrowse();
    void OnBnClickedButtonSave();

    void UiSetButtonText(const QString& text) override;
    void reject() override;

protected:
    void Finished() override;

private:
    void SetDestination(const QString& path);

    notes::FerrywellState& state_;
    const controls::CheckListModel& list_;
    exporting::OutputKind mode_ = exporting::OutputKind::Pst;
    QString destination_;
    std::map<exporting::OutputKind, QRadioButton*> radios_;
    QCheckBox* split_;
    QLineEdit* splitMb_;
    QLineEdit* path_;
    QPushButton* browse_;
    QPushButton* startExport_;
};

}  // namespace app
