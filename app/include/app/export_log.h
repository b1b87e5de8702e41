// The coloured log of the export dialogs: each entry is one line in one
// colour, appended at the end; the view follows the last line. Built on a
// plain-text layout so that a log of many thousands of lines stays quick.
#pragma once

#include <QPlainTextEdit>

#include <cstdint>
#include <string>
#include <vector>

namespace app {

// A log entry: its text (without line end) and a colour 0x00BBGGRR.
struct LogLine {
    std::string text;
    uint32_t colour = 0;
};

QColor LogColour(uint32_t colorref);

class CExportLog : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CExportLog(QWidget* parent = nullptr);
    void AppendToLog(const QString& text, uint32_t colour);
    // Appends the entries in order in one edit.
    void AppendLines(const std::vector<LogLine>& lines);
    // The entries' texts and colours, in order (for tests and checks).
    QStringList Lines() const;
    QColor LineColour(int line) const;
};

}  // namespace app
