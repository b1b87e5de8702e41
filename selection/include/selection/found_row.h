// The texts of one row of the search results: name, folder, size, modified.
#pragma once

#include <selection/path.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace selection {

struct FoundRow {
    std::string name, folder, size, modified;
};

// "<n> B" below 10 KB, else "<n/1024> KB" (integer division).
std::string FormatSizeColumn(uint64_t bytes);
// "%d-%m-%Y %I:%M %p" in local time; empty when the time is unknown.
std::string FormatModifiedColumn(std::optional<std::time_t> time);
FoundRow MakeFoundRow(const PathParts& path);
// "<count> items found".
std::string ItemsFoundText(int count);
// "(<count>) - <folder>".
std::string SearchingText(int count, const std::string& folder);

}  // namespace selection
