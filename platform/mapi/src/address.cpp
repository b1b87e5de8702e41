#include <mapi/address.h>

#include <initializer_list>

namespace mapi {

namespace {

bool Blank(const std::string& s) { return s.find_first_not_of(" \t\r\n") == std::string::npos; }

// The text without blanks at either end; every line break becomes CR LF and
// lines holding only blanks are dropped.
std::string Lines(const std::string& text) {
    std::string out, line;
    auto flush = [&] {
        size_t b = line.find_first_not_of(" \t"), e = line.find_last_not_of(" \t");
        if (b != std::string::npos) {
            if (!out.empty()) out += "\r\n";
            out.append(line, b, e - b + 1);
        }
        line.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            flush();
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += text[i];
        }
    }
    flush();
    return out;
}

void AppendPart(std::string& out, const std::string& part, const char* separator) {
    if (Blank(part)) return;
    if (!out.empty()) out += separator;
    out += Lines(part);
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
