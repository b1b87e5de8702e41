// The CRC-32 variant of PST pages, blocks and the header (no pre- or
// post-inversion).
#pragma once

#include <cstddef>
#include <cstdint>

namespace pst {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

}  // namespace pst
