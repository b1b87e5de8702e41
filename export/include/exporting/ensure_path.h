// Making the directories of a file export.
#pragma once

#include <string>

namespace exporting {

// Creates every missing directory along path; true when the whole path is a
// directory afterwards. When it is not, *why (when given) says why.
bool EnsurePathExists(const std::string& path, std::string* why = nullptr);

}  // namespace exporting
