#include <mapi/address.h>

#include <algorithm>
#include <initializer_list>
#include <string_view>

namespace mapi {

namespace {

bool Blank(const std::string& s) { return s.find_first_not_of(" \t\r\n") == std::string::npos; }

// Appends the text without blanks at either end; every line break becomes
// CR LF and lines holding only blanks are dropped.
void AppendLines(std::string& out, std::string_view text) {
    bool first = true;
    while (!text.empty()) {
        size_t end = 0;  // a plain loop: find_first_of searches the set once per character
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const size_t b = line.find_first_not_of(" \t");
        if (b == std::string_view::npos) continue;
        if (!first) out += "\r\n";
        first = false;
        out.append(line.substr(b, line.find_last_not_of(" \t") - b + 1));
    }
}

void AppendPart(std::string& out, const std::string& part, const char* separator) {
    if (Blank(part)) return;
    if (!out.empty()) out += separator;
    AppendLines(out, part);
}

}  // namespace

bool AddressParts::Empty() const {
    for (const std::string* p : {&street, &city, &state, &postalCode, &country})
        if (!Blank(*p)) return false;
    return true;
}

std::string ComposeAddress(const AddressParts& parts) {
    std::string town;
    AppendPart(town, parts.city, " ");
    AppendPart(town, parts.state, ", ");
    AppendPart(town, parts.postalCode, "  ");
    std::string out;
    AppendPart(out, parts.street, "\r\n");
    AppendPart(out, town, "\r\n");
    AppendPart(out, parts.country, "\r\n");
    return out;
}

}  // namespace mapi
