#include <base/atomic_file.h>
#include <base/fd_io.h>
#include <base/unique_fd.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace base {

namespace {

std::string Describe(const std::string& what, const std::string& path, int err) {
    return what + " \"" + path + "\": " + std::strerror(err);
}

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    const int err = errno;
    throw IoError(err, Describe(what, path, err));
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

constexpr std::string_view kTemporaryPrefix = ".fw-", kTemporarySuffix = ".tmp";
constexpr size_t kTemporaryRandomChars = 10;

// The open temporary file; closed, and removed unless released, at the end.
class TempFile {
public:
    // The name is short whatever the target's name, so that a target whose
    // name is near the length limit can still be written, and random, so that
    // writers in other threads or processes pick other names. The file is
    // made with the permissions it is to keep, so that nobody the final file
    // shuts out can open it while it is written.
    TempFile(int folder, mode_t mode, const std::string& shownPath) : folder_(folder) {
        static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        thread_local std::mt19937_64 random{std::random_device{}()};
        for (int attempt = 0; attempt < 100; ++attempt) {
            name_ = kTemporaryPrefix;
            for (size_t i = 0; i < kTemporaryRandomChars; ++i) name_ += kChars[random() % (sizeof kChars - 1)];
            name_ += kTemporarySuffix;
            fd_ = ::openat(folder, name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
            if (fd_ >= 0 || errno != EEXIST) break;
        }
        if (fd_ < 0) Fail("Cannot create a file beside", shownPath);
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!released_) ::unlinkat(folder_, name_.c_str(), 0);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int Fd() const { return fd_; }
    const std::string& Name() const { return name_; }
    int Close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }
    void Release() { released_ = true; }

private:
    int folder_;
    std::string name_;
    int fd_ = -1;
    bool released_ = false;
};

void WriteAll(int fd, std::string_view bytes, const std::string& path) {
    if (base::WriteAll(fd, bytes.data(), bytes.size()) != bytes.size()) Fail("Cannot write", path);
}

// Gives the new file the owner, group and mode of the one it replaces (or
// the mode of a new file). Only root may give a file away; when the owner
// cannot be kept the caller must not replace the file.
void KeepReplacedAttributes(int fd, const struct stat* old, mode_t newFileMode, const std::string& path) {
    if (old && (old->st_uid != ::geteuid() || old->st_gid != ::getegid()) &&
        ::fchown(fd, old->st_uid, old->st_gid) != 0) {
        const int err = errno;
        throw OwnershipError(err, Describe("Cannot keep the owner or group of", path, err));
    }
    // After the owner: a change of owner clears the set-id bits.
    if (::fchmod(fd, old ? (old->st_mode & 07777) : newFileMode) != 0) Fail("Cannot keep the permissions of", path);
}

void SyncFolder(int folder, const std::string& shownFolder) {
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) Fail("Cannot open the folder", shownFolder);
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    // Some file systems cannot flush a folder at all; nothing more can be done there.
    if (rc != 0 && err != EINVAL && err != EROFS)
        throw IoError(err, Describe("Cannot flush the folder", shownFolder, err));
}

// The folder holding path, opened to work in.
UniqueFd OpenFolderOf(const std::string& path) {
    const std::string folder = FolderOf(path);
    UniqueFd fd(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!fd) Fail("Cannot open the folder", folder);
    return fd;
}

}  // namespace

bool IsAtomicWriteTemporary(std::string_view name) {
    return name.size() == kTemporaryPrefix.size() + kTemporaryRandomChars + kTemporarySuffix.size() &&
           name.starts_with(kTemporaryPrefix) &&
           name.ends_with(kTemporarySuffix);
}

void WriteFileAtomicallyAt(int folder, const std::string& name, std::string_view bytes, const WriteOptions& options,
                           const std::string& shownPath) {
    WriteFileAtomicallyAt(folder, name, [&](const std::function<void(std::string_view)>& write) { write(bytes); },
                          options, shownPath);
}

void WriteFileAtomicallyAt(int folder, const std::string& name, const ContentProducer& produce,
                           const WriteOptions& options, const std::string& shownPath) {
    struct stat old {};
    const bool replacing = ::fstatat(folder, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode);
    const bool output = options.attributes == Attributes::Output;
    // An output is made with the default permissions, narrowed by those of
    // the file it replaces; the umask applies to both.
    const mode_t mode = output ? (replacing ? (old.st_mode & 0666) : 0666) : 0600;
    TempFile tmp(folder, mode, shownPath);
    produce([&](std::string_view piece) { WriteAll(tmp.Fd(), piece, shownPath); });
    if (!output) KeepReplacedAttributes(tmp.Fd(), replacing ? &old : nullptr, options.newFileMode, shownPath);
    const bool onlyCopy = options.durability == Durability::OnlyCopy;
    if (onlyCopy && ::fsync(tmp.Fd()) != 0) Fail("Cannot write", shownPath);
    if (tmp.Close() != 0) Fail("Cannot write", shownPath);
    if (::renameat(folder, tmp.Name().c_str(), folder, name.c_str()) != 0) Fail("Cannot replace", shownPath);
    tmp.Release();
    if (onlyCopy) SyncFolder(folder, FolderOf(shownPath));
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, Durability durability) {
    WriteFileAtomically(path, [&](const std::function<void(std::string_view)>& write) { write(bytes); }, durability);
}

void WriteFileAtomically(const std::string& path, const ContentProducer& produce, Durability durability) {
    const UniqueFd folder = OpenFolderOf(path);
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    WriteOptions options;
    options.durability = durability;
    WriteFileAtomicallyAt(folder.get(), name, produce, options, path);
}

void SyncFolderOf(const std::string& path) {
    const UniqueFd folder = OpenFolderOf(path);
    SyncFolder(folder.get(), FolderOf(path));
}

std::string ReadWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("Cannot open", path);
    std::string out;
    char buf[65536];
    for (;;) {
        const ssize_t n = base::ReadAll(fd, buf, sizeof buf);
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            throw IoError(err, Describe("Cannot read", path, err));
        }
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return out;
}

}  // namespace base
