// CSV output of contacts: the header line, one row per contact, and the
// appending writer. The file is RFC 4180 in UTF-8 (the system's narrow
// encoding, no byte-order mark): fields separated by ",", a field holding
// `"`, ",", CR or LF quoted with `"` doubled, every line ending in CR LF.
// A value a spreadsheet would take for a formula is written with a leading
// "'" (CsvField).
#pragma once

#include <contacts/contact.h>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace exporting {

// A row's values by the Notes item each column takes its value from
// (CsvColumnSources); an absent key is an empty value.
using ContactValues = std::map<std::string, std::string, std::less<>>;

inline constexpr size_t kCsvColumns = 40;

// The 40 names of the header, in column order.
const std::array<std::string_view, kCsvColumns>& CsvColumnNames();
// The Notes item each column takes its value from, in column order.
const std::array<std::string_view, kCsvColumns>& CsvColumnSources();

// The header line: the 40 names separated by "," and CR LF.
std::string CsvHeader();

// One value as a field. Empty, and the single blank the text rule gives a
// present but empty item, are written empty. A value starting with "=",
// "@", a tab or CR, or with "+" or "-" unless it is shaped like a phone
// number, gets a leading "'" so that spreadsheets show it as text. A field
// holding `"`, ",", CR or LF is quoted, each `"` doubled; the value is
// otherwise kept whole.
std::string CsvField(std::string_view value);

// True when value is shaped like a phone number: only digits, blanks and
// + - ( ) . / x, at least one digit, and an "x" (an extension) only after
// a digit (blanks between allowed) and followed by nothing but blanks and
// digits.
bool IsPhoneShaped(std::string_view value);

// The contact's values for the columns (see kColumns in csv_row.cpp): the
// names, work, addresses, phones by kind, e-mail 1 to 3, the days as
// "1976-02-29" (dates that are no day as the Notes item holds them), and
// Work3Phone, which has no place in the contact, as its item holds it.
ContactValues CsvValues(const contacts::Contact& contact);

// One row: the 40 fields separated by "," and CR LF.
std::string CsvRow(const ContactValues& values);

// Appends the header and rows of one run to one CSV file, keeping the file
// open between them. The file is never opened through a symbolic link and
// must be a regular file (a FIFO or device at its name is refused without
// waiting). Each piece is written whole or not at all: when a write fails
// part way (a full disk, the file-size limit) the file is cut back to where
// it was. A failed piece is lost; the next one opens the file again.
class CsvAppender {
public:
    explicit CsvAppender(std::string path) : path_(std::move(path)) {}
    ~CsvAppender();
    CsvAppender(const CsvAppender&) = delete;
    CsvAppender& operator=(const CsvAppender&) = delete;

    // Writes the row, after the header when this appender has not written
    // it yet (header and row then go in one piece). A header appended to a
    // file whose last line lacks its line end (cut short by a crash or an
    // older writer) starts a line of its own.
    bool AppendRow(const ContactValues& values);
    // Writes text whole or not at all.
    bool Append(std::string_view text);
    // The file already holds this table's header (a run continues it): rows
    // are appended without another.
    void ContinueTable() { headerWritten_ = true; }
    bool HeaderWritten() const { return headerWritten_; }

    const std::string& Path() const { return path_; }
    // Why the last piece failed, for the log ("a symbolic link is at its
    // name", the system's error text...); empty after a success.
    const std::string& Problem() const { return problem_; }
    // The system's error number behind the last failed piece; 0 when the
    // system gave none or the piece was written.
    int Errno() const { return errno_; }

private:
    bool Open();
    void Close();
    // False when the file's last byte is known and is not a line end.
    bool EndsWithLineEnd() const;

    std::string path_;
    std::string problem_;
    int errno_ = 0;
    int fd_ = -1;
    bool headerWritten_ = false;
};

}  // namespace exporting
