// Little-endian integer access on byte buffers, as the PST code names it.
#pragma once

#include <base/little_endian.h>

namespace pst {

using base::Append16;
using base::Append32;
using base::Append64;
using base::AppendBytes;
using base::Bytes;
using base::Get16;
using base::Get32;
using base::Get64;
using base::Put16;
using base::Put32;
using base::Put64;

}  // namespace pst
