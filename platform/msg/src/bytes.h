// Little-endian integers in byte strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace msg {

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

}  // namespace msg
