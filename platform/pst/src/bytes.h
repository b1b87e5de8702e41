// The byte buffers of the PST code; their little-endian integers are
// base/little_endian.h's.
#pragma once

#include <base/little_endian.h>

namespace pst {

using base::Bytes;

}  // namespace pst
