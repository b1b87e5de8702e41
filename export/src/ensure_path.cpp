#include <exporting/ensure_path.h>

#include <filesystem>

namespace exporting {

bool EnsurePathExists(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

}  // namespace exporting
