// Files the store writes whole (renderings, the profile, command files) and
// the translation of file errors into store errors.
#pragma once

#include <store/error.h>

#include <base/atomic_file.h>

#include <string>
#include <string_view>

namespace store {

ErrorCode ErrorCodeFromErrno(int err);
[[noreturn]] void ThrowFileError(int err, const std::string& text);

// Replaces the file at path by bytes in one step (temporary file + rename);
// throws StoreError, leaving the old file as it was, when that fails. A file
// that is the user's only copy (the profile) is flushed to the disk.
void WriteWholeFile(const std::string& path, std::string_view bytes,
                    base::Durability durability = base::Durability::Ordinary);

}  // namespace store
