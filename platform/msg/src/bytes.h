// Little-endian integers in byte strings, as the MSG code names them.
#pragma once

#include <base/little_endian.h>

namespace msg {

using base::Get16;
using base::Get32;
using base::Get64;
using base::Put16;
using base::Put32;
using base::Put64;

}  // namespace msg
