#include <notes/person_names.h>

#include "blanks.h"

#include <algorithm>
#include <vector>

namespace notes {

namespace {

bool IsLabel(std::string_view label) {
    for (std::string_view known : {"CN", "OU", "O", "C"})
        if (label.size() == known.size() &&
            std::equal(label.begin(), label.end(), known.begin(), [](char a, char b) { return (a & ~0x20) == b; }))
            return true;
    return false;
}

std::vector<std::string_view> Components(std::string_view name) {
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t slash = name.find('/', start);
        parts.push_back(TrimBlanks(name.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start)));
        if (slash == std::string_view::npos) return parts;
        start = slash + 1;
    }
}

}  // namespace

bool IsHierarchicalName(std::string_view name) {
    name = TrimBlanks(name);
    if (name.empty() || name.find('@') != std::string_view::npos) return false;
    const std::vector<std::string_view> parts = Components(name);
    const size_t eq = parts.front().find('=');
    if (eq != std::string_view::npos) {
        if (!IsLabel(TrimBlanks(parts.front().substr(0, eq))) || (parts.front()[0] & ~0x20) != 'C') return false;
        for (std::string_view part : parts) {
            const size_t at = part.find('=');
            if (at == std::string_view::npos || !IsLabel(TrimBlanks(part.substr(0, at))) || TrimBlanks(part.substr(at + 1)).empty())
                return false;
        }
        return TrimBlanks(parts.front().substr(0, eq)).size() == 2;  // the first is CN=
    }
    if (parts.size() < 2) return false;
    for (std::string_view part : parts)
        if (part.empty() || part.find('=') != std::string_view::npos) return false;
    return true;
}

std::string PersonName(std::string_view name) {
    name = TrimBlanks(name);
    if (!IsHierarchicalName(name)) return std::string(name);
    std::string_view common = Components(name).front();
    if (const size_t eq = common.find('='); eq != std::string_view::npos) common = TrimBlanks(common.substr(eq + 1));
    return std::string(common);
}

bool IsNotesRoutingAddress(std::string_view address) {
    address = TrimBlanks(address);
    if (address.empty()) return false;
    const size_t at = address.rfind('@');
    if (at == std::string_view::npos) return true;
    const std::string_view domain = address.substr(at + 1);
    const size_t dot = domain.find('.');
    return dot == std::string_view::npos || dot == 0 || domain.back() == '.';
}

}  // namespace notes
