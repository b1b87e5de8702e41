#include "hive_text.h"

#include <cstdint>
#include <cstdio>

namespace registry::detail {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

size_t ParseEscaped(std::string_view line, size_t pos, char endChar, std::u16string& out) {
    while (pos < line.size() && line[pos] != endChar) {
        const char c = line[pos];
        if (static_cast<unsigned char>(c) >= 0x80) {
            // A run of non-ASCII bytes: no sequence reaches past it, since an
            // ASCII byte is never part of one.
            size_t end = pos;
            while (end < line.size() && static_cast<unsigned char>(line[end]) >= 0x80) ++end;
            out += Utf8ToUtf16(line.substr(pos, end - pos));
            pos = end;
            continue;
        }
        if (c != '\\') {
            out.push_back(static_cast<char16_t>(c));
            ++pos;
            continue;
        }
        if (++pos >= line.size()) return std::string_view::npos;
        const char e = line[pos];
        switch (e) {
            case 'a': out.push_back(u'\a'), ++pos; break;
            case 'b': out.push_back(u'\b'), ++pos; break;
            case 'e': out.push_back(char16_t{0x1B}), ++pos; break;
            case 'f': out.push_back(u'\f'), ++pos; break;
            case 'n': out.push_back(u'\n'), ++pos; break;
            case 'r': out.push_back(u'\r'), ++pos; break;
            case 't': out.push_back(u'\t'), ++pos; break;
            case 'v': out.push_back(u'\v'), ++pos; break;
            case 'x': {
                ++pos;
                if (pos >= line.size() || !IsHexDigit(line[pos])) {
                    out.push_back(u'x');
                    break;
                }
                char16_t v = 0;
                for (int i = 0; i < 4 && pos < line.size() && IsHexDigit(line[pos]); ++i, ++pos) {
                    v = static_cast<char16_t>(v * 16 + HexValue(line[pos]));
                }
                out.push_back(v);
                break;
            }
            case '0': case '1': case '2': case '3': case '4': case '5': case '6': case '7': {
                char16_t v = 0;
                for (int i = 0; i < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7'; ++i, ++pos) {
                    v = static_cast<char16_t>(v * 8 + (line[pos] - '0'));
                }
                out.push_back(v);
                break;
            }
            default:
                out.push_back(static_cast<char16_t>(static_cast<unsigned char>(e)));
                ++pos;
                break;
        }
    }
    if (pos >= line.size()) return std::string_view::npos;
    return pos + 1;
}

size_t ParseEscapedUtf8(std::string_view line, size_t pos, char endChar, std::string& out, std::u16string& scratch) {
    static constexpr std::string_view kSpecial = "abefnrtvx01234567";
    out.clear();
    for (size_t i = pos; i < line.size(); ++i) {
        const char c = line[i];
        if (c == endChar) return i + 1;
        if (static_cast<unsigned char>(c) >= 0x80) break;
        if (c == '\\') {
            if (i + 1 >= line.size()) return std::string_view::npos;
            const char e = line[i + 1];
            if (static_cast<unsigned char>(e) >= 0x80 || kSpecial.find(e) != std::string_view::npos) break;
            out.push_back(e);
            ++i;
            continue;
        }
        out.push_back(c);
    }
    scratch.clear();
    const size_t after = ParseEscaped(line, pos, endChar, scratch);
    if (after != std::string_view::npos) out = Utf16ToUtf8(scratch);
    return after;
}

std::string EscapeString(std::u16string_view text, char quoteA, char quoteB) {
    static constexpr char kEscapes[33] = ".......abtnvfr.............e....";
    std::string out;
    out.reserve(text.size() + 8);
    char buf[16];
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool hasNext = i + 1 < text.size();
        if (c > 127) {
            const bool nextIsHex = hasNext && text[i + 1] < 128 && IsHexDigit(static_cast<char>(text[i + 1]));
            std::snprintf(buf, sizeof buf, nextIsHex ? "\\x%04x" : "\\x%x", static_cast<unsigned>(c));
            out += buf;
        } else if (c < 32) {
            if (kEscapes[c] != '.') {
                out.push_back('\\');
                out.push_back(kEscapes[c]);
            } else {
                const bool nextIsOctal = hasNext && text[i + 1] >= u'0' && text[i + 1] <= u'7';
                std::snprintf(buf, sizeof buf, nextIsOctal ? "\\%03o" : "\\%o", static_cast<unsigned>(c));
                out += buf;
            }
        } else {
            const char ch = static_cast<char>(c);
            if (ch == '\\' || ch == quoteA || ch == quoteB) out.push_back('\\');
            out.push_back(ch);
        }
    }
    return out;
}

}  // namespace registry::detail
