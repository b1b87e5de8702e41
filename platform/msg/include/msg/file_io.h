// Whole-file reads and writes of MSG files: the shared atomic writer and
// reader, whose IoError the MSG calls throw.
#pragma once

#include <base/atomic_file.h>

namespace msg {

using IoError = base::IoError;
using base::ReadWholeFile;
using base::WriteFileAtomically;

}  // namespace msg
