// A file path taken apart into its location, base name and extension, with
// the file's size and last-write time read from the file system.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace selection {

class PathParts {
public:
    PathParts() = default;
    explicit PathParts(const std::string& fullPath);

    bool IsEmpty() const { return full_.empty(); }
    const std::string& GetPath() const { return full_; }
    // Base name and extension joined by a dot; the base name alone when the
    // path has no extension. Empty for a folder path (trailing separator).
    std::string GetFileName() const;
    const std::string& GetBaseName() const { return base_; }
    const std::string& GetExtension() const { return ext_; }
    // The folder part, ending with a separator.
    const std::string& GetLocation() const { return location_; }
    // Size in bytes; 0 when the file cannot be opened for reading.
    uint64_t GetFileSize() const;
    // Last-write time; empty when the file cannot be opened for reading.
    std::optional<std::time_t> GetFileTime() const;

    // text plus a trailing separator, unless text is empty or already ends
    // with one ('/' or '\').
    static std::string AddBackSlash(const std::string& text);

private:
    std::string full_, location_, base_, ext_;
};

}  // namespace selection
