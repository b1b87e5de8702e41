// The CRC-32 variant of PST pages, blocks and the header (no pre- or
// post-inversion).
#pragma once

#include <base/crc32.h>

#include <cstddef>
#include <cstdint>

namespace pst {

using base::Crc32;

// True when data has the stored checksum. The fuzz targets compile the
// library with PST_FUZZ_IGNORE_CHECKSUMS so that mutated bytes reach the
// structures behind the checksums; no other build defines it.
inline bool ChecksumMatches(const uint8_t* data, size_t size, uint32_t stored) {
#ifdef PST_FUZZ_IGNORE_CHECKSUMS
    (void)data, (void)size, (void)stored;
    return true;
#else
    return Crc32(data, size) == stored;
#endif
}

}  // namespace pst
