#include <registry/regular_file.h>
#include <registry/win32_error.h>

#include <base/fd_io.h>
#include <base/unique_fd.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace registry {

uint32_t ReadRegularFile(const std::filesystem::path& file, int openFlags, std::string& content, std::string& why) {
    content.clear();
    auto fail = [&](int err) {
        why = file.string() + ": " + std::strerror(err);
        return Win32ErrorFromErrno(err);
    };
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const base::UniqueFd fd(::open(file.c_str(), openFlags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd) return fail(errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return fail(errno);
    if (!S_ISREG(st.st_mode)) {
        why = file.string() + ": not a regular file (a folder, FIFO, socket or device); not read";
        return kErrorAccessDenied;
    }
    // Exactly the size the file has: no growth by doubling, and a file that
    // grows while read cannot make us read without end.
    const auto size = static_cast<size_t>(st.st_size);
    content.resize(size);
    const ssize_t done = base::ReadAll(fd.get(), content.data(), size);
    if (done < 0) {
        const int err = errno;
        content.clear();
        return fail(err);
    }
    content.resize(static_cast<size_t>(done));
    return kErrorSuccess;
}

}  // namespace registry
