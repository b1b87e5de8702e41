// Opening the folder that holds a file about to be replaced, one path
// component at a time, so that no symbolic link outside the link rule is
// followed and nothing can be swapped in between the check and the use.
#pragma once

#include <base/unique_fd.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace registry::detail {

struct ParentDirectory {
    base::UniqueFd dir;      // the folder, opened with O_PATH
    std::string name;  // the file's name in it (a symbolic link already resolved)
};

// Returns 0 or a Win32 error number; for a refused link `detail` says why.
uint32_t OpenParentDirectory(const std::filesystem::path& target, ParentDirectory& out, std::string& detail);

}  // namespace registry::detail
