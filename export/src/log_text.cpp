#include <exporting/log_text.h>

#include <cstdint>

namespace exporting {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendByteEscape(std::string& out, unsigned char c) {
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
}

void AppendCodePointEscape(std::string& out, uint32_t cp) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(cp >> shift) & 0xF];
}

// The length of the well-formed UTF-8 sequence at the start of text (2 to 4
// bytes) and its code point, or 0 when it is not one: overlong forms,
// surrogates and values past U+10FFFF are not.
size_t DecodeMultiByte(std::string_view text, uint32_t* cp) {
    const auto lead = static_cast<unsigned char>(text[0]);
    size_t len;
    uint32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) len = 2, min = 0x80, *cp = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF) len = 3, min = 0x800, *cp = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4) len = 4, min = 0x10000, *cp = lead & 0x07;
    else return 0;
    if (text.size() < len) return 0;
    for (size_t i = 1; i < len; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) != 0x80) return 0;
        *cp = (*cp << 6) | (c & 0x3F);
    }
    if (*cp < min || *cp > 0x10FFFF || (*cp >= 0xD800 && *cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

std::string OneLogLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (c == '\n') out += "\\n";
            else if (c == '\r') out += "\\r";
            else if (c == '\t') out += "\\t";
            else if (c < 0x20 || c == 0x7F) AppendByteEscape(out, c);
            else out += char(c);
            ++i;
            continue;
        }
        uint32_t cp = 0;
        const size_t len = DecodeMultiByte(text.substr(i), &cp);
        if (len == 0) {
            AppendByteEscape(out, c);
            ++i;
            continue;
        }
        if (cp <= 0x9F || cp == 0x2028 || cp == 0x2029) AppendCodePointEscape(out, cp);
        else out.append(text.substr(i, len));
        i += len;
    }
    return out;
}

std::string GroupedDigits(uint64_t n) {
    const std::string digits = std::to_string(n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

}  // namespace exporting
