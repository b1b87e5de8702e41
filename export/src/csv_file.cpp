#include <exporting/csv_file.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace exporting {

namespace {

int OpenForAppend(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        text.remove_prefix(size_t(n));
    }
    return true;
}

}  // namespace

bool WriteCsvFile1(const std::string& path, std::string_view text) {
    int fd = OpenForAppend(path);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, text);
    return ::close(fd) == 0 && ok;
}

CsvAppender::~CsvAppender() {
    if (fd_ >= 0) ::close(fd_);
}

bool CsvAppender::Append(std::string_view text) {
    if (fd_ < 0) fd_ = OpenForAppend(path_);
    if (fd_ < 0) return false;
    if (WriteAll(fd_, text)) return true;
    ::close(fd_);
    fd_ = -1;
    return false;
}

}  // namespace exporting
