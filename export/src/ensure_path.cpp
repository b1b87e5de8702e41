#include <exporting/ensure_path.h>

#include <filesystem>

namespace exporting {

bool EnsurePathExists(const std::string& path, std::string* why) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    std::error_code statError;
    if (std::filesystem::is_directory(path, statError)) return true;
    if (why) *why = ec ? ec.message() : statError ? statError.message() : "something that is not a folder is in the way";
    return false;
}

}  // namespace exporting
