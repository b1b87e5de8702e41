#include <selection/path.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace selection {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The file's information, read through an open descriptor as a reader would
// see it; empty when the file cannot be opened for reading.
std::optional<struct stat> StatForReading(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    ::close(fd);
    if (!ok) return std::nullopt;
    return info;
}

}  // namespace

PathParts::PathParts(const std::string& fullPath) : full_(fullPath) {
    size_t slash = full_.find_last_of("/\\");
    std::string name = full_;
    if (slash != std::string::npos) {
        location_ = full_.substr(0, slash + 1);
        name = full_.substr(slash + 1);
    }
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) {
        base_ = name;
    } else {
        base_ = name.substr(0, dot);
        ext_ = name.substr(dot + 1);
    }
}

std::string PathParts::GetFileName() const { return ext_.empty() ? base_ : base_ + "." + ext_; }

uint64_t PathParts::GetFileSize() const {
    auto info = StatForReading(full_);
    return info ? uint64_t(info->st_size) : 0;
}

std::optional<std::time_t> PathParts::GetFileTime() const {
    auto info = StatForReading(full_);
    if (!info) return std::nullopt;
    return info->st_mtime;
}

std::string PathParts::AddBackSlash(const std::string& text) {
    if (text.empty() || IsSeparator(text.back())) return text;
    return text + "/";
}

}  // namespace selection
