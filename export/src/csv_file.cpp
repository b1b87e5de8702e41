#include <exporting/csv_file.h>

#include <base/fd_io.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace exporting {

namespace {

// Never through a symbolic link, never waiting for a FIFO's reader. Read
// access lets the header check how the file ends; a file we may only write
// is opened for writing alone.
int OpenForAppend(const std::string& path) {
    constexpr int kFlags = O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = ::open(path.c_str(), O_RDWR | kFlags, 0666);
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_WRONLY | kFlags, 0666);
    return fd;
}

std::string OpenProblem(int error) {
    if (error == ELOOP) return "a symbolic link is at its name";
    if (error == ENXIO || error == EISDIR) return "it is not a regular file";
    return std::strerror(error);
}

}  // namespace

CsvAppender::~CsvAppender() { Close(); }

void CsvAppender::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool CsvAppender::Open() {
    if (fd_ >= 0) return true;
    int fd = OpenForAppend(path_);
    if (fd < 0) {
        errno_ = errno;
        problem_ = OpenProblem(errno_);
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno_ = 0;
        problem_ = "it is not a regular file";
        return false;
    }
    ::fcntl(fd, F_SETFL, O_APPEND);
    fd_ = fd;
    return true;
}

bool CsvAppender::EndsWithLineEnd() const {
    struct stat st;
    if (::fstat(fd_, &st) != 0 || st.st_size == 0) return true;
    char last = 0;
    if (::pread(fd_, &last, 1, st.st_size - 1) != 1) return true;  // opened for writing only: cannot tell
    return last == '\n';
}

bool CsvAppender::Append(std::string_view text) {
    if (!Open()) return false;
    // What reached the file, also when the write fails part way.
    const size_t written = base::WriteAll(fd_, text.data(), text.size());
    if (written == text.size()) {
        problem_.clear();
        errno_ = 0;
        return true;
    }
    // Part of the text may be in the file: cut it back, so that no reader
    // ever sees half a row and the next piece starts a line. The file ends
    // with what this write appended.
    errno_ = errno;
    problem_ = std::strerror(errno_);
    if (written > 0) {
        struct stat st;
        if (::fstat(fd_, &st) != 0 || st.st_size < off_t(written) || ::ftruncate(fd_, st.st_size - off_t(written)) != 0)
            problem_ += "; the part written could not be removed";
    }
    Close();
    return false;
}

bool CsvAppender::AppendRow(const ContactValues& values) {
    std::string text;
    if (!headerWritten_) {
        if (!Open()) return false;
        if (!EndsWithLineEnd()) text = "\r\n";
        text += CsvHeader();
    }
    text += CsvRow(values);
    if (!Append(text)) return false;
    headerWritten_ = true;
    return true;
}

}  // namespace exporting
