// The coloured log of the export dialogs: each entry is one line in one
// colour, appended at the end; the view follows the last line. Built on a
// plain-text layout so that a log of many thousands of lines stays quick.
// Entries wait in a queue and go into the document a bounded slice at a time,
// each slice a turn of the event loop of its own, so that a large batch never
// keeps the window from painting, taking input or running its timers.
#pragma once

#include <QPlainTextEdit>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

class QTimer;

namespace app {

// A log entry: its text (without line end) and a colour 0x00BBGGRR.
struct LogLine {
    std::string text;
    uint32_t colour = 0;
};

QColor LogColour(uint32_t colorref);

// Entries packed for the way from an export's thread to the log: the texts
// one after another in one string, each ended by a line end. A batch of
// thousands of lines is then two blocks of memory, made on one thread and
// freed on the other; a block per line would have the window's thread take
// the export thread's allocator lock for every line, and wait whenever that
// thread was preempted holding it.
class LogBatch {
public:
    void Add(std::string_view text, uint32_t colour);
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

private:
    friend class CExportLog;
    struct Entry {
        uint32_t end;  // in text_, after the entry's line end
        uint32_t colour;
    };
    std::string text_;
    std::vector<Entry> entries_;
};

class CExportLog : public QPlainTextEdit {
    Q_OBJECT
public:
    // A few lines: a dialog gives the log what room its choices leave.
    QSize sizeHint() const override;
    // One slice: at most this many entries, and no more once this much time
    // went by (a slice of 500 entries takes about 1.2 ms on an idle machine).
    // Slices come at least kFeedInterval apart while more than a slice
    // waits, kTrickleInterval apart otherwise: the thread rests between
    // them, so that on a busy machine the scheduler still treats it as a
    // light one and gives it a processor soon when input arrives, and lines
    // that trickle in are inserted and painted a few dozen times a second,
    // not at every line.
    static constexpr size_t kLinesPerTurn = 500;
    static constexpr std::chrono::milliseconds kTurnBudget{3};
    static constexpr std::chrono::milliseconds kFeedInterval{4};
    static constexpr std::chrono::milliseconds kTrickleInterval{25};

    explicit CExportLog(QWidget* parent = nullptr);
    void AppendToLog(const QString& text, uint32_t colour);
    // Queue the entries after those already queued; they reach the document
    // in order over the next turns of the event loop.
    void AppendLines(const std::vector<LogLine>& lines);
    void AppendBatch(LogBatch batch);
    // Entries queued and not yet in the document; read from any thread.
    size_t Backlog() const { return backlog_.load(std::memory_order_relaxed); }
    // Puts every queued entry into the document now.
    void Flush();
    // The entries' texts and colours, in order, the queued ones included
    // (for tests and checks).
    QStringList Lines();
    QColor LineColour(int line);

signals:
    // Entries went from the queue into the document: Backlog() is smaller.
    void backlogShrank();

private:
    // Inserts one slice and, while entries remain, asks for another turn.
    void Feed();
    // Has the next slice come soon enough for what waits.
    void ScheduleFeed();
    // Inserts queued entries in one edit until count are in or the clock
    // passes deadline; scrolls to the last line.
    void Insert(size_t count, std::chrono::steady_clock::time_point deadline);

    std::deque<LogBatch> queue_;
    size_t nextEntry_ = 0;  // of the first batch, the first not inserted
    size_t waiting_ = 0;    // entries queued, over all batches
    std::atomic<size_t> backlog_{0};
    QTimer* feed_;
};

}  // namespace app
