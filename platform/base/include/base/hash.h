// A small, stable, non-cryptographic hash (64-bit FNV-1a): the same bytes
// give the same value on every run and machine, so it may be stored.
#pragma once

#include <cstdint>
#include <string_view>

namespace base {

inline uint64_t Fnv1a64(std::string_view bytes, uint64_t hash = 0xCBF29CE484222325ull) {
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 0x100000001B3ull;
    }
    return hash;
}

}  // namespace base
