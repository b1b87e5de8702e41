// Temporary folders and whole-file reads and writes for tests.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// A fresh folder under the system temporary folder, removed with everything
// in it (read-only parts included) at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    // Writes content to the file name in the folder and returns its path.
    std::string Write(const std::string& name, const std::string& content) const;

private:
    std::filesystem::path path_;
};

// The whole file, or an empty string when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

}  // namespace testsupport
