#include <contacts/file_as.h>

#include <initializer_list>

namespace contacts {

namespace {

std::string Joined(std::initializer_list<const std::string*> parts, const char* separator) {
    std::string out;
    for (const std::string* part : parts) {
        if (part->empty()) continue;
        if (!out.empty()) out += separator;
        out += *part;
    }
    return out;
}

}  // namespace

void SplitDisplayName(const std::string& name, std::string* given, std::string* family) {
    constexpr const char* kBlanks = " \t";
    const size_t end = name.find_last_not_of(kBlanks);
    if (end == std::string::npos) return;
    const size_t space = name.find_last_of(kBlanks, end);
    *family = name.substr(space == std::string::npos ? 0 : space + 1, end - (space == std::string::npos ? 0 : space + 1) + 1);
    if (space == std::string::npos) return;
    const size_t givenEnd = name.find_last_not_of(kBlanks, space);
    if (givenEnd == std::string::npos) return;
    const size_t givenStart = name.find_first_not_of(kBlanks);
    *given = name.substr(givenStart, givenEnd - givenStart + 1);
}

std::string DerivedFullName(const Contact& c) {
    if (!c.fullName.empty()) return c.fullName;
    return Joined({&c.prefix, &c.firstName, &c.middleName, &c.lastName}, " ");
}

std::string FileAs(const Contact& c) {
    std::string fileAs = Joined({&c.lastName, &c.firstName}, ", ");
    for (const std::string& fallback : {DerivedFullName(c), c.company, c.subject})
        if (fileAs.empty()) fileAs = fallback;
    return fileAs;
}

}  // namespace contacts
