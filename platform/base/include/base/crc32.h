// CRC-32 with the IEEE 802.3 polynomial (reflected, 0xEDB88320) and no pre- or
// post-inversion: the running value is the seed, 0 to start. PST pages,
// blocks and headers and distribution-list checksums use this form; the
// common zlib form is ~Crc32(data, size, 0xFFFFFFFF).
#pragma once

#include <cstddef>
#include <cstdint>

namespace base {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

}  // namespace base
