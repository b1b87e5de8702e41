// The progress of an export in its dialog: a bar, "N of M contacts" and the
// time left, estimated from the pace of the run so far.
#pragma once

#include <QWidget>

#include <chrono>
#include <cstdint>
#include <optional>

class QLabel;
class QProgressBar;

namespace app {

// The time the rest of total takes at the pace of done in elapsed; none
// before the first contact is done or once all are.
std::optional<std::chrono::seconds> TimeLeft(uint64_t done, uint64_t total, std::chrono::steady_clock::duration elapsed);

// "1,234 of 20,000 contacts", then ", about 3 min left" when known.
QString ProgressText(uint64_t done, uint64_t total, std::optional<std::chrono::seconds> left);

class ExportProgress : public QWidget {
    Q_OBJECT
public:
    explicit ExportProgress(QWidget* parent = nullptr);

    // A run begins: the bar empties and the clock of the estimate starts.
    void Start();
    void Show(uint64_t done, uint64_t total);
    // The run has ended: the counts stay, the estimate goes.
    void Finish();

    int Value() const;
    int Maximum() const;
    QString Text() const;

private:
    QProgressBar* bar_;
    QLabel* text_;
    std::chrono::steady_clock::time_point started_;
    uint64_t done_ = 0, total_ = 0;
};

}  // namespace app
