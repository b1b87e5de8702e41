#include <exporting/csv_file.h>

namespace exporting {

namespace {

// Each column holds the Notes item its name says, by the contact's meanings:
// the office phone, home phone, cell phone and pager each once; the home
// address (StreetAddress, HomeAddressCity, State, Zip, HomeAddressCountry)
// from StreetAddress, City, State, Zip, Country; the business address
// (OfficeStreetAddress, OfficeCity, OfficeState, OfficeZip, OfficeCountry)
// from the Office items; MiscPhone1 and MiscPhone2 the items of those names,
// which Notes uses for further e-mail addresses.
constexpr std::array<std::pair<std::string_view, std::string_view>, kCsvColumns> kColumns{{
    {"FirstName", "FirstName"},
    {"ShortName", "ShortName"},
    {"LastName", "LastName"},
    {"Title", "Title"},
    {"OfficePhoneNumber", "OfficePhoneNumber"},
    {"PhoneNumber", "PhoneNumber"},
    {"CellPhoneNumber", "CellPhoneNumber"},
    {"CompanyName", "CompanyName"},
    {"JobTitle", "JobTitle"},
    {"Location", "Location"},
    {"Department", "Department"},
    {"OfficeZip", "OfficeZip"},
    {"OfficeCountry", "OfficeCountry"},
    {"Work2Phone", "Work2Phone"},
    {"Work3Phone", "Work3Phone"},
    {"OfficeFAXPhoneNumber", "OfficeFAXPhoneNumber"},
    {"MailAddress", "MailAddress"},
    {"MiscPhone1", "MiscPhone1"},
    {"MiscPhone2", "MiscPhone2"},
    {"HomeFAXPhoneNumber", "HomeFAXPhoneNumber"},
    {"Home2Phone", "Home2Phone"},
    {"StreetAddress", "StreetAddress"},
    {"MiddleInitial", "MiddleInitial"},
    {"AssistantName", "Assistant"},
    {"Suffix", "Suffix"},
    {"Spouse", "Spouse"},
    {"PersPager", "PersPager"},
    {"OfficeCity", "OfficeCity"},
    {"Anniversary", "Anniversary"},
    {"Birthday", "Birthday"},
    {"Manager", "Manager"},
    {"Nickname", "Nickname"},
    {"WebSite", "WebSite"},
    {"HomeAddressCountry", "Country"},
    {"Zip", "Zip"},
    {"State", "State"},
    {"HomeAddressCity", "City"},
    {"FullName", "FullName"},
    {"OfficeStreetAddress", "OfficeStreetAddress"},
    {"OfficeState", "OfficeState"},
}};

template <size_t Second>
std::array<std::string_view, kCsvColumns> Column() {
    std::array<std::string_view, kCsvColumns> out;
    for (size_t i = 0; i < out.size(); ++i) out[i] = std::get<Second>(kColumns[i]);
    return out;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A spreadsheet reads a field starting with one of these as a formula (or,
// for tab and CR, strips them and reads what follows as one).
bool StartsLikeFormula(std::string_view value) {
    switch (value.front()) {
    case '=':
    case '@':
    case '\t':
    case '\r': return true;
    case '+':
    case '-': return !IsPhoneShaped(value);
    default: return false;
    }
}

}  // namespace

bool IsPhoneShaped(std::string_view value) {
    bool digit = false;      // a digit so far
    bool extension = false;  // past the "x"
    char lastSolid = 0;      // the last character other than a blank
    for (char c : value) {
        if (IsDigit(c)) {
            digit = true;
        } else if (c == 'x') {
            if (extension || !IsDigit(lastSolid)) return false;
            extension = true;
        } else if (c == ' ') {
            continue;
        } else if (extension || std::string_view("+-()./").find(c) == std::string_view::npos) {
            return false;
        }
        lastSolid = c;
    }
    return digit && lastSolid != 'x';
}

const std::array<std::string_view, kCsvColumns>& CsvColumnNames() {
    static const auto names = Column<0>();
    return names;
}

const std::array<std::string_view, kCsvColumns>& CsvColumnSources() {
    static const auto sources = Column<1>();
    return sources;
}

std::string CsvHeader() {
    std::string out;
    for (auto name : CsvColumnNames()) {
        if (!out.empty()) out += ',';
        out += name;
    }
    return out + "\r\n";
}

std::string CsvField(std::string_view value) {
    if (value.empty() || value == " ") return {};
    std::string text;
    if (StartsLikeFormula(value)) text += '\'';
    text += value;
    if (text.find_first_of("\",\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string CsvRow(const ContactValues& values) {
    std::string row;
    row.reserve(256);
    for (size_t i = 0; i < kColumns.size(); ++i) {
        if (i > 0) row += ',';
        auto it = values.find(kColumns[i].second);
        if (it != values.end()) row += CsvField(it->second);
    }
    return row + "\r\n";
}

}  // namespace exporting
