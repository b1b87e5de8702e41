#include <app/export_log.h>

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <iterator>

namespace app {

QColor LogColour(uint32_t colorref) {
    return QColor(int(colorref & 0xFF), int((colorref >> 8) & 0xFF), int((colorref >> 16) & 0xFF));
}

CExportLog::CExportLog(QWidget* parent) : QPlainTextEdit(parent), feed_(new QTimer(this)) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    // A timer, not a posted call: the next slice waits until the events
    // already waiting, a repaint or a key press among them, have had their
    // turn, however fast new lines come in.
    feed_->setSingleShot(true);
    connect(feed_, &QTimer::timeout, this, &CExportLog::Feed);
}

void CExportLog::AppendToLog(const QString& text, uint32_t colour) {
    AppendLines({LogLine{text.toStdString(), colour}});
}

void CExportLog::AppendLines(std::vector<LogLine> lines) {
    if (lines.empty()) return;
    queue_.insert(queue_.end(), std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
    backlog_.store(queue_.size(), std::memory_order_relaxed);
    ScheduleFeed();
}

void CExportLog::Feed() {
    Insert(kLinesPerTurn, std::chrono::steady_clock::now() + kTurnBudget);
    if (!queue_.empty()) ScheduleFeed();
}

void CExportLog::ScheduleFeed() {
    const std::chrono::milliseconds wanted = queue_.size() > kLinesPerTurn ? kFeedInterval : kTrickleInterval;
    if (feed_->isActive() && feed_->remainingTime() <= int(wanted.count())) return;
    feed_->start(wanted);
}

void CExportLog::Flush() {
    feed_->stop();
    Insert(queue_.size(), std::chrono::steady_clock::time_point::max());
}

void CExportLog::Insert(size_t count, std::chrono::steady_clock::time_point deadline) {
    count = std::min(count, queue_.size());
    if (count == 0) return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // A run of entries in one colour goes in as one text, a line end after
    // each; the cursor makes a block of each line.
    QTextCharFormat format;
    QString run;
    size_t done = 0;
    while (done < count) {
        const uint32_t colour = queue_[done].colour;
        run.clear();
        for (; done < count && queue_[done].colour == colour; ++done) {
            run += QString::fromStdString(queue_[done].text);
            run += QLatin1Char('\n');
            // The clock is read every few entries only.
            if ((done + 1) % 32 == 0 && std::chrono::steady_clock::now() >= deadline) count = done + 1;
        }
        format.setForeground(LogColour(colour));
        cursor.insertText(run, format);
    }
    cursor.endEditBlock();
    queue_.erase(queue_.begin(), queue_.begin() + std::ptrdiff_t(done));
    backlog_.store(queue_.size(), std::memory_order_relaxed);
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

QStringList CExportLog::Lines() {
    Flush();
    QStringList lines = toPlainText().split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();  // after the last line end
    return lines;
}

QColor CExportLog::LineColour(int line) {
    Flush();
    const QTextBlock block = document()->findBlockByNumber(line);
    if (!block.isValid()) return {};
    for (auto it = block.begin(); !it.atEnd(); ++it) return it.fragment().charFormat().foreground().color();
    // An empty line keeps the colour it was written in on its line end, which
    // is where the next block's format is kept.
    return block.next().charFormat().foreground().color();
}

}  // namespace app
