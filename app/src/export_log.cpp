#include <app/export_log.h>

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace app {

QColor LogColour(uint32_t colorref) {
    return QColor(int(colorref & 0xFF), int((colorref >> 8) & 0xFF), int((colorref >> 16) & 0xFF));
}

CExportLog::CExportLog(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

void CExportLog::AppendToLog(const QString& text, uint32_t colour) {
    AppendLines({LogLine{text.toStdString(), colour}});
}

void CExportLog::AppendLines(const std::vector<LogLine>& lines) {
    if (lines.empty()) return;
    QScrollBar* bar = verticalScrollBar();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    QTextCharFormat format;
    for (const LogLine& line : lines) {
        format.setForeground(LogColour(line.colour));
        cursor.insertText(QString::fromStdString(line.text), format);
        cursor.insertBlock();
    }
    cursor.endEditBlock();
    bar->setValue(bar->maximum());
}

QStringList CExportLog::Lines() const {
    QStringList lines = toPlainText().split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();  // after the last line end
    return lines;
}

QColor CExportLog::LineColour(int line) const {
    const QTextBlock block = document()->findBlockByNumber(line);
    if (!block.isValid()) return {};
    // An empty line keeps the colour it was written in on its block's end.
    for (auto it = block.begin(); !it.atEnd(); ++it) return it.fragment().charFormat().foreground().color();
    return block.charFormat().foreground().color();
}

}  // namespace app
