#include <exporting/csv_file.h>

namespace exporting {

namespace {

// Columns 1-20 take the items of their names, except CellPhoneNumber
// (PersPager), Work2Phone (OfficePhoneNumber) and Work3Phone (CellPhoneNumber).
// Columns 21-40 take, under their names, the items the contact item maps the
// same way: Home2Phone the home phone, StreetAddress the State item (as the
// contact's home street), NameDisplayPref the Title, Phone the office phone,
// HomeAddressCountry Country, HomeAddressCity City.
constexpr std::array<std::pair<std::string_view, std::string_view>, 40> kColumns{{
    {"FirstName", "FirstName"},
    {"ShortName", "ShortName"},
    {"LastName", "LastName"},
    {"Title", "Title"},
    {"OfficePhoneNumber", "OfficePhoneNumber"},
    {"PhoneNumber", "PhoneNumber"},
    {"CellPhoneNumber", "PersPager"},
    {"CompanyName", "CompanyName"},
    {"JobTitle", "JobTitle"},
    {"Location", "Location"},
    {"Department", "Department"},
    {"OfficeZip", "OfficeZip"},
    {"OfficeCountry", "OfficeCountry"},
    {"Work2Phone", "OfficePhoneNumber"},
    {"Work3Phone", "CellPhoneNumber"},
    {"OfficeFAXPhoneNumber", "OfficeFAXPhoneNumber"},
    {"MailAddress", "MailAddress"},
    {"MiscPhone1", "MiscPhone1"},
    {"MiscPhone2", "MiscPhone2"},
    {"HomeFAXPhoneNumber", "HomeFAXPhoneNumber"},
    {"Home2Phone", "PhoneNumber"},
    {"StreetAddress", "State"},
    {"MiddleInitial", "MiddleInitial"},
    {"AssistantName", "Assistant"},
    {"NameDisplayPref", "Title"},
    {"Spouse", "Spouse"},
    {"Phone", "OfficePhoneNumber"},
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
    {"OfficeCity", "OfficeCity"},
}};

template <size_t Second>
std::array<std::string_view, 40> Column() {
    std::array<std::string_view, 40> out;
    for (size_t i = 0; i < out.size(); ++i) out[i] = std::get<Second>(kColumns[i]);
    return out;
}

// Commas would split the field and line breaks the row: both become blanks
// (CR LF counts as one break).
void AppendField(std::string& row, std::string_view value) {
    if (value.empty()) {
        row += " ,";
        return;
    }
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
        row += (c == ',' || c == '\r' || c == '\n') ? ' ' : c;
    }
    row += ',';
}

}  // namespace

const std::array<std::string_view, 3>& CsvHeaderPieces() {
    static const std::array<std::string_view, 3> pieces{
        "FirstName,ShortName,LastName,Title,OfficePhoneNumber,PhoneNumber,CellPhoneNumber,CompanyName,JobTitle,Location,"
        "Department,OfficeZip,OfficeCountry,Work2Phone,Work3Phone,OfficeFAXPhoneNumber,MailAddress,",
        "MiscPhone1,MiscPhone2,HomeFAXPhoneNumber,Home2Phone,StreetAddress,MiddleInitial,AssistantName,NameDisplayPref,"
        "Spouse,Phone,OfficeCity,Anniversary,Birthday,",
        "Manager,Nickname,WebSite,HomeAddressCountry,Zip,State,HomeAddressCity,FullName,OfficeStreetAddress,OfficeCity,",
    };
    return pieces;
}

std::string CsvHeader() {
    std::string out;
    for (auto piece : CsvHeaderPieces()) out += piece;
    return out + "\r\n";
}

const std::array<std::string_view, 40>& CsvColumnNames() {
    static const auto names = Column<0>();
    return names;
}

const std::array<std::string_view, 40>& CsvColumnSources() {
    static const auto sources = Column<1>();
    return sources;
}

std::string CsvRow(const ContactValues& values) {
    std::string row;
    row.reserve(256);
    for (const auto& [name, source] : kColumns) {
        auto it = values.find(source);
        AppendField(row, it == values.end() ? std::string_view() : std::string_view(it->second));
    }
    row += '\n';
    return row;
}

}  // namespace exporting
