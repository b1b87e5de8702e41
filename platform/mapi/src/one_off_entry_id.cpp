#include <mapi/one_off_entry_id.h>

#include <algorithm>

namespace mapi {

// {A41F2B81-A3BE-1910-9D6E-00DD010F5402}
const Guid kOneOffProviderUid = GuidFromString("A41F2B81-A3BE-1910-9D6E-00DD010F5402");

namespace {

constexpr size_t kFlagsSize = 4;
constexpr size_t kVersionOffset = kFlagsSize + 16;
constexpr size_t kBitsOffset = kVersionOffset + 2;  // two bytes, most significant first
constexpr size_t kHeaderSize = kBitsOffset + 2;
constexpr uint16_t kBitMime = 0x0100;     // send as plain MIME, not TNEF
constexpr uint16_t kBitUnicode = 0x0080;  // the texts are UTF-16

void AppendUtf16(Binary& out, const std::string& text) {
    for (char16_t u : Utf8ToUtf16(text)) {
        if (u == 0) continue;
        out.push_back(uint8_t(u));
        out.push_back(uint8_t(u >> 8));
    }
    out.push_back(0);
    out.push_back(0);
}

// Reads a NUL-terminated text at *at; false when no terminator follows.
bool ReadUtf16(const uint8_t* p, size_t size, size_t* at, std::string* text) {
    std::u16string w;
    for (size_t i = *at; i + 1 < size; i += 2) {
        char16_t u = char16_t(p[i] | p[i + 1] << 8);
        if (u == 0) {
            *at = i + 2;
            *text = Utf16ToUtf8(w);
            return true;
        }
        w.push_back(u);
    }
    return false;
}

bool ReadLatin1(const uint8_t* p, size_t size, size_t* at, std::string* text) {
    const uint8_t* end = std::find(p + *at, p + size, uint8_t(0));
    if (end == p + size) return false;
    std::u16string w(p + *at, end);
    *at = size_t(end - p) + 1;
    *text = Utf16ToUtf8(w);
    return true;
}

}  // namespace

Binary EncodeOneOffEntryId(const OneOffRecipient& recipient) {
    Binary out(kHeaderSize, 0);  // flags and version stay zero
    std::copy(kOneOffProviderUid.begin(), kOneOffProviderUid.end(), out.begin() + kFlagsSize);
    const uint16_t bits = kBitMime | kBitUnicode;
    out[kBitsOffset] = uint8_t(bits >> 8);
    out[kBitsOffset + 1] = uint8_t(bits);
    AppendUtf16(out, recipient.displayName);
    AppendUtf16(out, recipient.addressType);
    AppendUtf16(out, recipient.address);
    return out;
}

std::optional<OneOffRecipient> DecodeOneOffEntryId(const uint8_t* data, size_t size) {
    if (!data || size < kHeaderSize || !std::equal(kOneOffProviderUid.begin(), kOneOffProviderUid.end(), data + kFlagsSize))
        return std::nullopt;
    const uint16_t bits = uint16_t(data[kBitsOffset] << 8 | data[kBitsOffset + 1]);
    auto read = (bits & kBitUnicode) ? ReadUtf16 : ReadLatin1;
    OneOffRecipient r;
    size_t at = kHeaderSize;
    if (!read(data, size, &at, &r.displayName) || !read(data, size, &at, &r.addressType) ||
        !read(data, size, &at, &r.address))
        return std::nullopt;
    return r;
}

}  // namespace mapi
