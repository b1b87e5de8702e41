#include <selection/found_row.h>

namespace selection {

std::string FormatSizeColumn(uint64_t bytes) {
    const uint64_t kb = bytes / 1024;
    return kb < 10 ? std::to_string(bytes) + " B" : std::to_string(kb) + " KB";
}

std::string FormatModifiedColumn(std::optional<std::time_t> time) {
    if (!time) return {};
    std::tm local{};
    if (!localtime_r(&*time, &local)) return {};
    char text[64];
    size_t n = std::strftime(text, sizeof text, "%d-%m-%Y %I:%M %p", &local);
    return std::string(text, n);
}

FoundRow MakeFoundRow(const PathParts& path) {
    return {path.GetFileName(), path.GetLocation(), FormatSizeColumn(path.GetFileSize()),
            FormatModifiedColumn(path.GetFileTime())};
}

std::string ItemsFoundText(int count) { return std::to_string(count) + " items found"; }

std::string SearchingText(int count, const std::string& folder) {
    return "(" + std::to_string(count) + ") - " + folder;
}

}  // namespace selection
