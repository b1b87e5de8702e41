// Constants and little-endian helpers shared by the compound file reader and writer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace msg::cfb {

inline constexpr uint32_t kMaxRegSect = 0xFFFFFFFA;
inline constexpr uint32_t kDifSect = 0xFFFFFFFC;
inline constexpr uint32_t kFatSect = 0xFFFFFFFD;
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFreeSect = 0xFFFFFFFF;
inline constexpr uint32_t kNoStream = 0xFFFFFFFF;

inline constexpr uint32_t kMiniStreamCutoff = 4096;
inline constexpr uint32_t kHeaderDifatSlots = 109;
inline constexpr uint32_t kDirEntrySize = 128;

inline constexpr uint8_t kTypeStorage = 1;
inline constexpr uint8_t kTypeStream = 2;
inline constexpr uint8_t kTypeRoot = 5;

inline constexpr std::string_view kSignature{"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8};

inline void Put16(std::string& b, size_t at, uint16_t v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}
inline void Put32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
}
inline void Put64(std::string& b, size_t at, uint64_t v) {
    for (int i = 0; i < 8; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
}
inline uint16_t Get16(std::string_view b, size_t at) {
    return uint16_t(uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8));
}
inline uint32_t Get32(std::string_view b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(b[at + i]);
    return v;
}
inline uint64_t Get64(std::string_view b, size_t at) {
    return uint64_t(Get32(b, at)) | (uint64_t(Get32(b, at + 4)) << 32);
}

// Sibling order in a storage: shorter names first, then by upper-cased code units.
int CompareNames(const std::u16string& a, const std::u16string& b);

}  // namespace msg::cfb
