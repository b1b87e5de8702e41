// Making the directories of a file export.
#pragma once

#include <string>

namespace exporting {

// Creates every missing directory along path; true when the whole path is a
// directory afterwards.
bool EnsurePathExists(const std::string& path);

}  // namespace exporting
