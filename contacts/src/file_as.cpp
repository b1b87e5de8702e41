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
