#include <base/base64.h>

#include <array>
#include <cstdint>

namespace base {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of each byte, -1 for those not of the alphabet.
constexpr std::array<int8_t, 256> kValues = [] {
    std::array<int8_t, 256> values{};
    values.fill(-1);
    for (int i = 0; i < 64; ++i) values[static_cast<unsigned char>(kAlphabet[i])] = int8_t(i);
    return values;
}();

}  // namespace

size_t Base64Size(size_t bytes, size_t lineLength) {
    const size_t characters = (bytes + 2) / 3 * 4;
    return lineLength == 0 ? characters : characters + (characters + lineLength - 1) / lineLength * 2;
}

void AppendBase64(std::string& out, std::string_view bytes, size_t lineLength) {
    size_t column = 0;
    auto put = [&](char c) {
        out += c;
        if (lineLength != 0 && ++column == lineLength) {
            out += "\r\n";
            column = 0;
        }
    };
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t v = uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8 | uint8_t(bytes[i + 2]);
        for (int k = 18; k >= 0; k -= 6) put(kAlphabet[(v >> k) & 0x3F]);
    }
    if (i < bytes.size()) {
        uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
        if (i + 1 < bytes.size()) v |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        put(kAlphabet[(v >> 18) & 0x3F]);
        put(kAlphabet[(v >> 12) & 0x3F]);
        put(i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 0x3F] : '=');
        put('=');
    }
    if (column != 0) out += "\r\n";
}

std::string Base64Encode(std::string_view bytes, size_t lineLength) {
    std::string out;
    out.reserve(Base64Size(bytes.size(), lineLength));
    AppendBase64(out, bytes, lineLength);
    return out;
}

std::string Base64Decode(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 3 / 4);
    uint32_t acc = 0;
    int bits = 0;
    for (unsigned char c : text) {
        const int v = kValues[c];
        if (v < 0) continue;
        acc = (acc << 6) | uint32_t(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += char((acc >> bits) & 0xFF);
        }
    }
    return out;
}

Base64Check Base64DecodeChecked(std::string_view text, size_t maxBytes, std::string* out) {
    out->clear();
    // First the shape: the letters, where the padding stands, and the size.
    size_t letters = 0, padding = 0;
    for (unsigned char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        if (c == '=') {
            ++padding;
        } else if (kValues[c] < 0 || padding > 0) {
            return Base64Check::Malformed;
        } else {
            ++letters;
        }
    }
    if (padding > 2 || (letters + padding) % 4 != 0) return Base64Check::Malformed;
    const size_t bytes = letters / 4 * 3 + (letters % 4 == 0 ? 0 : letters % 4 - 1);
    if (bytes > maxBytes) return Base64Check::TooLarge;
    *out = Base64Decode(text);
    return Base64Check::Ok;
}

}  // namespace base
