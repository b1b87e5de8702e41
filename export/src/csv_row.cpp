#include <exporting/csv_file.h>

#include <cstdio>

namespace exporting {

namespace {

using contacts::Contact;
using contacts::PhoneKind;

std::string Phone(const Contact& c, PhoneKind kind) {
    const std::string* number = c.PhoneOf(kind);
    return number ? *number : std::string();
}

std::string Email(const Contact& c, size_t slot) { return slot < c.emails.size() ? c.emails[slot] : std::string(); }

// A day as "1976-02-29"; a date the contact has no day for as the source's
// dates, joined by ";" ("1980-01-01;1981-02-02").
std::string Day(const std::optional<contacts::CalendarDay>& day, const Contact& c, std::string_view item) {
    if (day) {
        char text[16];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", day->year, day->month, day->day);
        return text;
    }
    std::string joined;
    if (const std::vector<std::string>* values = c.Unplaced(item))
        for (const std::string& v : *values) joined += (joined.empty() ? "" : ";") + v;
    return joined;
}

// A value the contact has no place for, as the source holds it first.
std::string FirstUnplaced(const Contact& c, std::string_view item) {
    const std::vector<std::string>* values = c.Unplaced(item);
    return values && !values->empty() ? values->front() : std::string();
}

struct Column {
    std::string_view name;    // in the header
    std::string_view source;  // the Notes item its value comes from
    std::string (*value)(const Contact&);
};

// Each column holds the contact's value of the Notes item its name says:
// the office phone, home phone, cell phone and pager each once; the home
// address (StreetAddress, HomeAddressCity, State, Zip, HomeAddressCountry)
// from StreetAddress, City, State, Zip, Country; the business address
// (OfficeStreetAddress, OfficeCity, OfficeState, OfficeZip, OfficeCountry)
// from the Office items; MailAddress, MiscPhone1 and MiscPhone2 e-mail 1 to
// 3; Work3Phone, which has no place in the contact, as the item holds it.
const std::array<Column, kCsvColumns> kColumns{{
    {"FirstName", "FirstName", [](const Contact& c) { return c.firstName; }},
    {"ShortName", "ShortName", [](const Contact& c) { return c.initials; }},
    {"LastName", "LastName", [](const Contact& c) { return c.lastName; }},
    {"Title", "Title", [](const Contact& c) { return c.prefix; }},
    {"OfficePhoneNumber", "OfficePhoneNumber", [](const Contact& c) { return Phone(c, PhoneKind::Business); }},
    {"PhoneNumber", "PhoneNumber", [](const Contact& c) { return Phone(c, PhoneKind::Home); }},
    {"CellPhoneNumber", "CellPhoneNumber", [](const Contact& c) { return Phone(c, PhoneKind::Mobile); }},
    {"CompanyName", "CompanyName", [](const Contact& c) { return c.company; }},
    {"JobTitle", "JobTitle", [](const Contact& c) { return c.jobTitle; }},
    {"Location", "Location", [](const Contact& c) { return c.office; }},
    {"Department", "Department", [](const Contact& c) { return c.department; }},
    {"OfficeZip", "OfficeZip", [](const Contact& c) { return c.business.postalCode; }},
    {"OfficeCountry", "OfficeCountry", [](const Contact& c) { return c.business.country; }},
    {"Work2Phone", "Work2Phone", [](const Contact& c) { return Phone(c, PhoneKind::Business2); }},
    {"Work3Phone", "Work3Phone", [](const Contact& c) { return FirstUnplaced(c, "Work3Phone"); }},
    {"OfficeFAXPhoneNumber", "OfficeFAXPhoneNumber", [](const Contact& c) { return Phone(c, PhoneKind::BusinessFax); }},
    {"MailAddress", "MailAddress", [](const Contact& c) { return Email(c, 0); }},
    {"MiscPhone1", "MiscPhone1", [](const Contact& c) { return Email(c, 1); }},
    {"MiscPhone2", "MiscPhone2", [](const Contact& c) { return Email(c, 2); }},
    {"HomeFAXPhoneNumber", "HomeFAXPhoneNumber", [](const Contact& c) { return Phone(c, PhoneKind::HomeFax); }},
    {"Home2Phone", "Home2Phone", [](const Contact& c) { return Phone(c, PhoneKind::Home2); }},
    {"StreetAddress", "StreetAddress", [](const Contact& c) { return c.home.street; }},
    {"MiddleInitial", "MiddleInitial", [](const Contact& c) { return c.middleName; }},
    {"AssistantName", "Assistant", [](const Contact& c) { return c.assistant; }},
    {"Suffix", "Suffix", [](const Contact& c) { return c.suffix; }},
    {"Spouse", "Spouse", [](const Contact& c) { return c.spouse; }},
    {"PersPager", "PersPager", [](const Contact& c) { return Phone(c, PhoneKind::Pager); }},
    {"OfficeCity", "OfficeCity", [](const Contact& c) { return c.business.city; }},
    {"Anniversary", "Anniversary", [](const Contact& c) { return Day(c.anniversary, c, "Anniversary"); }},
    {"Birthday", "Birthday", [](const Contact& c) { return Day(c.birthday, c, "Birthday"); }},
    {"Manager", "Manager", [](const Contact& c) { return c.manager; }},
    {"Nickname", "Nickname", [](const Contact& c) { return c.nickname; }},
    {"WebSite", "WebSite", [](const Contact& c) { return c.personalWebPage; }},
    {"HomeAddressCountry", "Country", [](const Contact& c) { return c.home.country; }},
    {"Zip", "Zip", [](const Contact& c) { return c.home.postalCode; }},
    {"State", "State", [](const Contact& c) { return c.home.state; }},
    {"HomeAddressCity", "City", [](const Contact& c) { return c.home.city; }},
    {"FullName", "FullName", [](const Contact& c) { return c.fullName; }},
    {"OfficeStreetAddress", "OfficeStreetAddress", [](const Contact& c) { return c.business.street; }},
    {"OfficeState", "OfficeState", [](const Contact& c) { return c.business.state; }},
}};

template <std::string_view Column::*Part>
std::array<std::string_view, kCsvColumns> ColumnParts() {
    std::array<std::string_view, kCsvColumns> out;
    for (size_t i = 0; i < out.size(); ++i) out[i] = kColumns[i].*Part;
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
    static const auto names = ColumnParts<&Column::name>();
    return names;
}

const std::array<std::string_view, kCsvColumns>& CsvColumnSources() {
    static const auto sources = ColumnParts<&Column::source>();
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

ContactValues CsvValues(const contacts::Contact& contact) {
    ContactValues values;
    for (const Column& column : kColumns)
        if (std::string v = column.value(contact); !v.empty()) values.emplace(column.source, std::move(v));
    return values;
}

std::string CsvRow(const ContactValues& values) {
    std::string row;
    row.reserve(256);
    for (size_t i = 0; i < kColumns.size(); ++i) {
        if (i > 0) row += ',';
        auto it = values.find(kColumns[i].source);
        if (it != values.end()) row += CsvField(it->second);
    }
    return row + "\r\n";
}

}  // namespace exporting
