// Little-endian integers in byte buffers: at a pointer, at an offset of a
// byte string, or appended to a byte vector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace base {

template <class T>
T GetLittleEndian(const void* p) {
    static_assert(std::is_unsigned_v<T>);
    uint8_t b[sizeof(T)];
    std::memcpy(b, p, sizeof(T));
    T v = 0;
    for (size_t i = sizeof(T); i-- > 0;) v = T(v << 8 | b[i]);
    return v;
}

template <class T>
void PutLittleEndian(void* p, T v) {
    static_assert(std::is_unsigned_v<T>);
    uint8_t b[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i) b[i] = uint8_t(v >> (8 * i));
    std::memcpy(p, b, sizeof(T));
}

inline uint16_t Get16(const void* p) { return GetLittleEndian<uint16_t>(p); }
inline uint32_t Get32(const void* p) { return GetLittleEndian<uint32_t>(p); }
inline uint64_t Get64(const void* p) { return GetLittleEndian<uint64_t>(p); }
inline void Put16(void* p, uint16_t v) { PutLittleEndian(p, v); }
inline void Put32(void* p, uint32_t v) { PutLittleEndian(p, v); }
inline void Put64(void* p, uint64_t v) { PutLittleEndian(p, v); }

// At offset at of a byte string, which holds the bytes.
inline uint16_t Get16(std::string_view b, size_t at) { return Get16(b.data() + at); }
inline uint32_t Get32(std::string_view b, size_t at) { return Get32(b.data() + at); }
inline uint64_t Get64(std::string_view b, size_t at) { return Get64(b.data() + at); }
inline void Put16(std::string& b, size_t at, uint16_t v) { Put16(b.data() + at, v); }
inline void Put32(std::string& b, size_t at, uint32_t v) { Put32(b.data() + at, v); }
inline void Put64(std::string& b, size_t at, uint64_t v) { Put64(b.data() + at, v); }

using Bytes = std::vector<uint8_t>;

template <class T>
void AppendLittleEndian(Bytes& b, T v) {
    const size_t n = b.size();
    b.resize(n + sizeof(T));
    PutLittleEndian(&b[n], v);
}
inline void Append16(Bytes& b, uint16_t v) { AppendLittleEndian(b, v); }
inline void Append32(Bytes& b, uint32_t v) { AppendLittleEndian(b, v); }
inline void Append64(Bytes& b, uint64_t v) { AppendLittleEndian(b, v); }
inline void AppendBytes(Bytes& b, const uint8_t* p, size_t n) { b.insert(b.end(), p, p + n); }

}  // namespace base
