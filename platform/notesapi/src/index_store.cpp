#include "index_store.h"

#include "index_file.h"

#include <base/atomic_file.h>
#include <base/fd_io.h>
#include <base/hash.h>
#include <base/unique_fd.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

namespace notesapi {

namespace {

constexpr std::string_view kPrefix = "index-", kSuffix = ".bin";

bool IsKeptName(std::string_view name) {
    return name.size() > kPrefix.size() + kSuffix.size() && name.substr(0, kPrefix.size()) == kPrefix &&
           name.substr(name.size() - kSuffix.size()) == kSuffix;
}

// A temporary file of a write of a kept file: the atomic writer's, or
// ".index-....bin.<pid>.<n>.tmp", as earlier versions named theirs.
bool IsTemporaryName(std::string_view name) {
    constexpr std::string_view kTemp = ".tmp";
    if (base::IsAtomicWriteTemporary(name)) return true;
    return name.size() > 1 + kPrefix.size() + kTemp.size() && name[0] == '.' &&
           name.substr(1, kPrefix.size()) == kPrefix && name.substr(name.size() - kTemp.size()) == kTemp;
}

// The folder, made when missing (its parent too): a folder of the user's
// own reached without a link, else none.
base::UniqueFd OpenFolder(const std::string& folder, bool make) {
    if (folder.empty() || folder[0] != '/') return {};
    if (make) {
        const size_t slash = folder.find_last_of('/');
        if (slash > 0) ::mkdir(folder.substr(0, slash).c_str(), 0700);
        ::mkdir(folder.c_str(), 0700);
    }
    base::UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat sb {};
    if (!fd || ::fstat(fd.get(), &sb) != 0 || !S_ISDIR(sb.st_mode) || sb.st_uid != ::geteuid()) return {};
    return fd;
}

// The bytes of the kept file name in folder, when it is a regular file of
// the user's own of at most maxBytes.
bool ReadKept(int folder, const std::string& name, uint64_t maxBytes, std::string* out) {
    base::UniqueFd fd(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat sb {};
    if (!fd || ::fstat(fd.get(), &sb) != 0 || !S_ISREG(sb.st_mode) || sb.st_uid != ::geteuid() ||
        uint64_t(sb.st_size) > maxBytes)
        return false;
    out->resize(size_t(sb.st_size));
    return base::PreadAll(fd.get(), out->data(), out->size(), 0) == ssize_t(out->size());
}

// Replaces name with bytes, private to the user (a copy of a database's
// texts); false when it cannot.
bool WriteKept(int folder, const std::string& name, std::string_view bytes) {
    try {
        base::WriteFileAtomicallyAt(folder, name, bytes, {base::Durability::Ordinary, base::Attributes::KeepReplaced, 0600},
                                    name);
        return true;
    } catch (const base::IoError&) {
        return false;
    }
}

// Removes the least recently written kept files past kMaxFiles or
// kMaxBytes; keep (just written) stays.
void Trim(int folder, const std::string& keep) {
    base::UniqueFd dup(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    DIR* dir = dup ? ::fdopendir(dup.get()) : nullptr;
    if (!dir) return;
    dup.Release();
    struct Kept {
        int64_t mtimeNs;
        uint64_t bytes;
        std::string name;
    };
    std::vector<Kept> kept;
    const int64_t hourAgo = int64_t(::time(nullptr) - 3600) * 1000000000;
    while (const dirent* e = ::readdir(dir)) {
        struct stat sb {};
        const std::string_view name(e->d_name);
        if (::fstatat(folder, e->d_name, &sb, AT_SYMLINK_NOFOLLOW) != 0) continue;
        // A temporary file an hour old was left by a program that stopped.
        if (IsTemporaryName(name) && MtimeNs(sb) < hourAgo) ::unlinkat(folder, e->d_name, 0);
        if (!IsKeptName(name)) continue;
        kept.push_back({e->d_name == keep ? INT64_MAX : MtimeNs(sb), uint64_t(sb.st_size), e->d_name});
    }
    ::closedir(dir);
    std::sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return a.mtimeNs > b.mtimeNs; });
    uint64_t bytes = 0;
    for (size_t i = 0; i < kept.size(); ++i) {
        bytes += kept[i].bytes;
        if (i > 0 && (i >= IndexStore::kMaxFiles || bytes > IndexStore::kMaxBytes))
            ::unlinkat(folder, kept[i].name.c_str(), 0);
    }
}

}  // namespace

std::string IndexStore::DefaultFolder() {
    if (const char* c = std::getenv("XDG_CACHE_HOME"); c && c[0] == '/') return std::string(c) + "/ferrywell";
    if (const char* h = std::getenv("HOME"); h && h[0] == '/') return std::string(h) + "/.cache/ferrywell";
    return {};
}

std::string IndexStore::FileName(const std::string& absolutePath) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(base::Fnv1a64(absolutePath)));
    return std::string(kPrefix) + hex + std::string(kSuffix);
}

Failure IndexStore::Open(const std::string& path, std::shared_ptr<const DatabaseIndex>* out) const {
    base::UniqueFd file;
    struct stat sb {};
    IndexFileHeader header;
    // A file that cannot be read is left to BuildIndex, which says why.
    if (OpenRegularFile(path, &file, &sb) || !DescribeDatabaseFile(file.get(), CanonicalPath(path), sb, &header))
        return BuildIndex(path, out);
    const std::string name = FileName(header.path);
    try {
        if (base::UniqueFd folder = OpenFolder(folder_, false)) {
            // An index takes a few times the bytes of what it describes at most.
            std::string bytes;
            if (ReadKept(folder.get(), name, 8 * header.fileSize + (1 << 20), &bytes))
                if (auto index = DecodeIndex(bytes, header, path)) {
                    *out = std::move(index);
                    return std::nullopt;
                }
        }
    } catch (const std::bad_alloc&) {
    }
    std::shared_ptr<const DatabaseIndex> index;
    if (Failure failure = BuildIndex(path, &index)) return failure;
    // Kept only when it describes the file as first seen.
    try {
        if (index->SameFile(sb))
            if (base::UniqueFd folder = OpenFolder(folder_, true))
                if (WriteKept(folder.get(), name, EncodeIndex(header, *index))) Trim(folder.get(), name);
    } catch (const std::bad_alloc&) {
    }
    *out = std::move(index);
    return std::nullopt;
}

}  // namespace notesapi
