// Contact values of any bytes (the input split at 0x1E, one value a column)
// written as a CSV row must read back through a strict RFC 4180 reader as
// one record of 40 fields: each the value itself, empty for the single blank
// of an empty item, or the value after "'" where a spreadsheet would take it
// for a formula; no field a spreadsheet reads as a formula.
#include <exporting/csv_file.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

// One record from text at pos: fields separated by ",", a quoted field with
// "" for a quote, the record ending in CR LF. False for anything else (a
// bare quote, a lone CR or LF, text after a closing quote).
bool ReadRecord(std::string_view text, size_t& pos, std::vector<std::string>& fields) {
    fields.clear();
    for (;;) {
        std::string field;
        if (pos < text.size() && text[pos] == '"') {
            for (++pos;; ++pos) {
                if (pos >= text.size()) return false;
                if (text[pos] != '"') {
                    field += text[pos];
                } else if (pos + 1 < text.size() && text[pos + 1] == '"') {
                    field += '"';
                    ++pos;
                } else {
                    ++pos;
                    break;
                }
            }
        } else {
            for (; pos < text.size() && text[pos] != ',' && text[pos] != '\r'; ++pos) {
                if (text[pos] == '"' || text[pos] == '\n') return false;
                field += text[pos];
            }
        }
        fields.push_back(std::move(field));
        if (pos < text.size() && text[pos] == ',') {
            ++pos;
            continue;
        }
        if (text.substr(pos, 2) != "\r\n") return false;
        pos += 2;
        return true;
    }
}

void Require(bool ok) {
    if (!ok) std::abort();
}

bool OnlyPhoneCharacters(std::string_view field) {
    return field.find_first_not_of("0123456789 +-()./x") == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    exporting::ContactValues values;
    std::vector<std::string> given(exporting::kCsvColumns);
    size_t start = 0;
    for (size_t column = 0; column < exporting::kCsvColumns && start <= input.size(); ++column) {
        size_t end = input.find('\x1E', start);
        if (end == std::string_view::npos) end = input.size();
        given[column] = std::string(input.substr(start, end - start));
        values[std::string(exporting::CsvColumnSources()[column])] = given[column];
        start = end + 1;
    }

    const std::string row = exporting::CsvRow(values);
    std::vector<std::string> fields;
    size_t pos = 0;
    Require(ReadRecord(row, pos, fields));
    Require(pos == row.size());
    Require(fields.size() == exporting::kCsvColumns);
    for (size_t i = 0; i < fields.size(); ++i) {
        const std::string& value = given[i];
        const std::string& field = fields[i];
        if (value.empty() || value == " ") {
            Require(field.empty());
            continue;
        }
        Require(field == value || field == "'" + value);
        if (field == value && !field.empty()) {
            const char first = field.front();
            Require(first != '=' && first != '@' && first != '\t' && first != '\r');
            if (first == '+' || first == '-') Require(OnlyPhoneCharacters(field));
        }
        if (field != value) Require(std::string_view("=@\t\r+-").find(value.front()) != std::string_view::npos);
    }

    const std::string header = exporting::CsvHeader();
    pos = 0;
    Require(ReadRecord(header, pos, fields) && pos == header.size() && fields.size() == exporting::kCsvColumns);
    return 0;
}
