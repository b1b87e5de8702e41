#include <base/backslash.h>

namespace base {

void AppendBackslashEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
}

std::string BackslashEscaped(std::string_view text) {
    std::string out;
    AppendBackslashEscaped(out, text);
    return out;
}

bool BackslashUnescape(std::string_view text, std::string* out) {
    out->clear();
    out->reserve(text.size());  // never longer: one allocation of the size needed
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            *out += text[i];
            continue;
        }
        if (++i == text.size()) return false;
        switch (text[i]) {
        case '\\': *out += '\\'; break;
        case 't': *out += '\t'; break;
        case 'n': *out += '\n'; break;
        case 'r': *out += '\r'; break;
        default: return false;
        }
    }
    return true;
}

}  // namespace base
