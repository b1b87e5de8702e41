#include <selection/path.h>
#include <selection/private_folder.h>
#include <selection/scratch.h>

#include <cstdlib>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace selection {

namespace fs = std::filesystem;

namespace {
constexpr char kPrivateFolderPrefix[] = "ferrywell";
constexpr char kOwnerFile[] = ".owner";

bool IsUsableFolder(const char* path) {
    if (!path || path[0] != '/') return false;
    struct stat info {};
    return ::stat(path, &info) == 0 && S_ISDIR(info.st_mode) && ::access(path, W_OK | X_OK) == 0;
}

// A folder (not a link) of this user that nobody else may enter.
bool IsPrivateFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & 077) == 0;
}

// Makes root's owner file and locks it for as long as the descriptor lives.
// The file gets its name only once locked, so that no one sees it unlocked.
base::UniqueFd LockOwnerFile(const std::string& root) {
    const std::string made = root + "/.owner-new";
    base::UniqueFd fd(::open(made.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || ::rename(made.c_str(), (root + "/" + kOwnerFile).c_str()) != 0)
        return base::UniqueFd();
    return fd;
}
}  // namespace

int RemoveAbandonedScratch(const std::string& folder) {
    int removed = 0;
    std::error_code ec;
    const std::string prefix = std::string(kPrivateFolderPrefix) + "-";
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() != prefix.size() + 6 || name.rfind(prefix, 0) != 0) continue;
        const std::string root = entry.path().string();
        if (!IsPrivateFolder(root)) continue;
        base::UniqueFd owner(::open((root + "/" + kOwnerFile).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        struct stat info {};
        if (!owner || ::fstat(owner.get(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        if (::flock(owner.get(), LOCK_EX | LOCK_NB) != 0) continue;  // its process is alive
        std::error_code removing;
        fs::remove_all(root, removing);
        removed += removing ? 0 : 1;
    }
    return removed;
}

std::string SystemTempFolder() {
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    if (ec) temp = "/tmp";
    return PathParts::AddBackSlash(temp.string());
}

std::string RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return IsUsableFolder(runtime) ? PathParts::AddBackSlash(runtime) : SystemTempFolder();
}

std::string ScratchFolders::MakeInLocked(const std::string& folder) {
    const std::string root = MakePrivateFolder(folder, kPrivateFolderPrefix);
    if (root.empty()) return {};
    roots_.push_back(root);
    owners_.push_back(LockOwnerFile(root));
    const std::string scratch = root + "/" + kScratchName + "/";
    if (::mkdir(scratch.c_str(), 0700) != 0) return {};
    return scratch;
}

std::string ScratchFolders::MakeIn(const std::string& folder) {
    std::lock_guard lock(mutex_);
    return MakeInLocked(folder);
}

std::string ScratchFolders::Default() {
    std::lock_guard lock(mutex_);
    // The folder is used again only while it is still the private one made
    // here (a cleaner of the temporary folder may have removed it).
    if (!default_.empty()) {
        const std::string scratch = default_.substr(0, default_.size() - 1);
        if (IsPrivateFolder(fs::path(scratch).parent_path().string()) && IsPrivateFolder(scratch)) return default_;
    }
    if (!cleaned_) {
        cleaned_ = true;
        for (const std::string& folder : {RuntimeFolder(), SystemTempFolder()}) RemoveAbandonedScratch(folder);
    }
    default_ = MakeInLocked(RuntimeFolder());
    if (default_.empty()) default_ = MakeInLocked(SystemTempFolder());
    return default_;
}

void ScratchFolders::RemoveAll() {
    std::lock_guard lock(mutex_);
    for (const std::string& root : roots_) {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    roots_.clear();
    owners_.clear();
    default_.clear();
}

ScratchFolders& ProcessScratch() {
    static ScratchFolders folders;
    return folders;
}

std::string SourceTitle(const std::string& fullPath) { return PathParts(fullPath).GetBaseName(); }

std::string JoinFolderAndName(const std::string& folder, const std::string& name) {
    return PathParts::AddBackSlash(folder) + name;
}

}  // namespace selection
