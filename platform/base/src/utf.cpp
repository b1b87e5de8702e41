#include <base/utf.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace base {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Decodes the sequence at text[pos] into cp and returns its length (at least
// 1). The second byte's range rules out overlong forms, surrogates and values
// above U+10FFFF before the rest is read, so an ill-formed part ends where
// the standard says it does.
size_t DecodeOne(std::string_view text, size_t pos, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(text[pos]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, cp = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, cp = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        cp = kReplacement;
        return 1;
    }
    for (size_t i = 1; i < len; ++i) {
        if (pos + i >= text.size()) {
            cp = kReplacement;
            return i;
        }
        const auto b = static_cast<unsigned char>(text[pos + i]);
        const bool inRange = i == 1 ? (b >= lo && b <= hi) : IsContinuation(b);
        if (!inRange) {
            cp = kReplacement;
            return i;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    return len;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// The length of the run of ASCII bytes at the start of text[pos, size).
size_t AsciiRun(const char* text, size_t pos, size_t size) {
    const size_t start = pos;
    for (; pos + 8 <= size; pos += 8) {
        uint64_t word;
        std::memcpy(&word, text + pos, 8);
        if (word & 0x8080808080808080ull) break;
    }
    while (pos < size && static_cast<unsigned char>(text[pos]) < 0x80) ++pos;
    return pos - start;
}

// Decodes the sequence at text[pos] and calls put(unit) for its one or two
// UTF-16 units; returns the sequence's length.
template <class Put>
size_t PutDecoded(std::string_view text, size_t pos, Put& put) {
    char32_t cp = 0;
    const size_t length = DecodeOne(text, pos, cp);
    if (cp >= 0x10000) {
        cp -= 0x10000;
        put(static_cast<char16_t>(0xD800 + (cp >> 10)));
        put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        put(static_cast<char16_t>(cp));
    }
    return length;
}

// Decodes text into UTF-16 code units, calling put(unit) for each in order.
template <class Put>
void EachUtf16Unit(std::string_view text, Put put) {
    for (size_t pos = 0; pos < text.size();) {
        const size_t ascii = AsciiRun(text.data(), pos, text.size());
        for (size_t end = pos + ascii; pos < end; ++pos) put(static_cast<char16_t>(static_cast<unsigned char>(text[pos])));
        if (pos < text.size()) pos += PutDecoded(text, pos, put);
    }
}

// Where the first ill-formed sequence starts; text.size() when there is
// none. A U+FFFD written as such is well formed.
size_t FirstIllFormed(std::string_view text) {
    size_t pos = 0, length = 0;
    for (; pos < text.size(); pos += length) {
        pos += AsciiRun(text.data(), pos, text.size());
        if (pos == text.size()) break;
        char32_t cp = 0;
        length = DecodeOne(text, pos, cp);
        if (cp == kReplacement && !(length == 3 && static_cast<unsigned char>(text[pos]) == 0xEF)) break;
    }
    return pos;
}

}  // namespace

bool IsValidUtf8(std::string_view text) { return FirstIllFormed(text) == text.size(); }

std::string ValidUtf8(std::string text) {
    size_t pos = FirstIllFormed(text);
    if (pos == text.size()) return text;
    std::string out;
    out.reserve(text.size() + 2);
    out.append(text, 0, pos);
    while (pos < text.size()) {
        char32_t cp = 0;
        pos += DecodeOne(text, pos, cp);
        AppendUtf8(out, cp);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    // Never more units than bytes: a sequence of n bytes gives at most n units.
    std::u16string out(text.size(), u'\0');
    char16_t* at = out.data();
    EachUtf16Unit(text, [&](char16_t unit) { *at++ = unit; });
    out.resize(static_cast<size_t>(at - out.data()));
    return out;
}

namespace {

template <class Bytes>
void AppendUtf16LeTo(Bytes& out, std::string_view text) {
    const size_t start = out.size();
    out.resize(start + 2 * text.size());
    auto* at = reinterpret_cast<uint8_t*>(out.data()) + start;
    auto put = [&at](char16_t unit) {
        at[0] = static_cast<uint8_t>(unit);
        at[1] = static_cast<uint8_t>(unit >> 8);
        at += 2;
    };
    for (size_t pos = 0; pos < text.size();) {
        if constexpr (std::endian::native == std::endian::little) {
            // Eight ASCII bytes at once: each byte becomes a byte and a zero.
            uint64_t word;
            if (pos + 8 <= text.size() && (std::memcpy(&word, text.data() + pos, 8), !(word & 0x8080808080808080ull))) {
                auto spread = [](uint64_t x) {
                    x = (x | (x << 16)) & 0x0000FFFF0000FFFFull;
                    return (x | (x << 8)) & 0x00FF00FF00FF00FFull;
                };
                const uint64_t low = spread(word & 0xFFFFFFFFull), high = spread(word >> 32);
                std::memcpy(at, &low, 8);
                std::memcpy(at + 8, &high, 8);
                at += 16;
                pos += 8;
                continue;
            }
        }
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte < 0x80) {
            put(byte);
            ++pos;
            continue;
        }
        pos += PutDecoded(text, pos, put);
    }
    out.resize(static_cast<size_t>(at - reinterpret_cast<uint8_t*>(out.data())));
}

}  // namespace

void AppendUtf16Le(std::vector<uint8_t>& out, std::string_view text) { AppendUtf16LeTo(out, text); }

void AppendUtf16Le(std::string& out, std::string_view text) { AppendUtf16LeTo(out, text); }

void EachUtf16LePiece(std::string_view text, const std::function<void(std::string_view bytes)>& put) {
    constexpr size_t kPiece = 4096;
    std::string bytes;
    for (size_t at = 0; at < text.size();) {
        // Cut before a byte that starts a character: no sequence, well
        // formed or not, goes on past one. A run of continuation bytes
        // alone (each its own replacement) is cut anywhere.
        size_t end = std::min(text.size(), at + kPiece);
        while (end < text.size() && end > at && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
        if (end == at) end = std::min(text.size(), at + kPiece);
        bytes.clear();
        AppendUtf16Le(bytes, text.substr(at, end - at));
        put(bytes);
        at = end;
    }
}

size_t Utf16Length(std::string_view text) {
    size_t units = 0;
    for (size_t pos = 0; pos < text.size();) {
        const size_t ascii = AsciiRun(text.data(), pos, text.size());
        units += ascii;
        pos += ascii;
        if (pos == text.size()) break;
        char32_t cp = 0;
        pos += DecodeOne(text, pos, cp);
        units += cp >= 0x10000 ? 2 : 1;
    }
    return units;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace base
