// CSV output of contacts: the header line, one row per contact, and the
// appending writer. Text is UTF-8 (the system's narrow encoding); no quoting:
// commas and line breaks inside values become blanks.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace exporting {

// Notes item name -> value as the text rule read it; an absent key is an
// empty value. "Birthday" and "Anniversary" hold the dates' text.
using ContactValues = std::map<std::string, std::string, std::less<>>;

// The header line in its three pieces; the line ends with CR LF after the third.
const std::array<std::string_view, 3>& CsvHeaderPieces();
// The three pieces followed by CR LF.
std::string CsvHeader();
// The 40 names of the header, in column order.
const std::array<std::string_view, 40>& CsvColumnNames();
// The Notes item each column takes its value from, in column order.
const std::array<std::string_view, 40>& CsvColumnSources();

// One row: every field followed by ","; an empty value is written " ,"; the
// row ends with a single LF.
std::string CsvRow(const ContactValues& values);

// Appends text to the file at path, creating it when missing, with one open
// and one write. Returns true on success, false when the file cannot be
// opened or written (the text is then lost).
bool WriteCsvFile1(const std::string& path, std::string_view text);

// Appends the pieces of one run to one CSV file, keeping the file open
// between pieces. A piece that fails is lost; the next piece opens the file
// again. Each piece is written with a single write, so a reader sees whole rows.
class CsvAppender {
public:
    explicit CsvAppender(std::string path) : path_(std::move(path)) {}
    ~CsvAppender();
    CsvAppender(const CsvAppender&) = delete;
    CsvAppender& operator=(const CsvAppender&) = delete;

    bool AppendHeader() { return Append(CsvHeader()); }
    bool AppendRow(const ContactValues& values) { return Append(CsvRow(values)); }
    bool Append(std::string_view text);
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace exporting
