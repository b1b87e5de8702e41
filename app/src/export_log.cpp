#include <app/export_log.h>

#include <controls/theme_colours.h>

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>


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

QSize CExportLog::sizeHint() const {
    return {QPlainTextEdit::sizeHint().width(), fontMetrics().lineSpacing() * 6 + 2 * frameWidth()};
}

void CExportLog::AppendToLog(const QString& text, uint32_t colour) {
    AppendLines({LogLine{text.toStdString(), colour}});
}

void LogBatch::Add(std::string_view text, uint32_t colour) {
    text_.append(text);
    text_.push_back('\n');
    entries_.push_back({uint32_t(text_.size()), colour});
}

void CExportLog::AppendLines(const std::vector<LogLine>& lines) {
    LogBatch batch;
    for (const LogLine& line : lines) batch.Add(line.text, line.colour);
    AppendBatch(std::move(batch));
}

void CExportLog::AppendBatch(LogBatch batch) {
    if (batch.empty()) return;
    waiting_ += batch.size();
    queue_.push_back(std::move(batch));
    backlog_.store(waiting_, std::memory_order_relaxed);
    ScheduleFeed();
}

void CExportLog::Feed() {
    Insert(kLinesPerTurn, std::chrono::steady_clock::now() + kTurnBudget);
    if (waiting_ > 0) ScheduleFeed();
}

void CExportLog::ScheduleFeed() {
    const std::chrono::milliseconds wanted = waiting_ > kLinesPerTurn ? kFeedInterval : kTrickleInterval;
    if (feed_->isActive() && feed_->remainingTime() <= int(wanted.count())) return;
    feed_->start(wanted);
}

void CExportLog::Flush() {
    feed_->stop();
    Insert(waiting_, std::chrono::steady_clock::time_point::max());
}

void CExportLog::Insert(size_t count, std::chrono::steady_clock::time_point deadline) {
    count = std::min(count, waiting_);
    if (count == 0) return;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // A run of entries in one colour goes in as one text, their line ends
    // with them; the cursor makes a block of each line.
    QTextCharFormat format;
    size_t done = 0;
    while (done < count) {
        const LogBatch& batch = queue_.front();
        const auto& entries = batch.entries_;
        const uint32_t colour = entries[nextEntry_].colour;
        const uint32_t from = nextEntry_ == 0 ? 0 : entries[nextEntry_ - 1].end;
        while (done < count && nextEntry_ < entries.size() && entries[nextEntry_].colour == colour) {
            ++nextEntry_;
            // The clock is read every few entries only.
            if (++done % 32 == 0 && std::chrono::steady_clock::now() >= deadline) count = done;
        }
        const uint32_t to = entries[nextEntry_ - 1].end;
        format.setForeground(controls::Legible(LogColour(colour), palette().color(QPalette::Base)));
        cursor.insertText(QString::fromUtf8(batch.text_.data() + from, qsizetype(to - from)), format);
        if (nextEntry_ == entries.size()) {
            queue_.pop_front();
            nextEntry_ = 0;
        }
    }
    cursor.endEditBlock();
    waiting_ -= done;
    backlog_.store(waiting_, std::memory_order_relaxed);
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
    emit backlogShrank();
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
