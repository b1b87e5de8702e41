#include <base/ascii.h>
#include <store/error.h>
#include <store/profile.h>

#include "entry_text.h"
#include "file_writes.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

namespace store {

namespace fs = std::filesystem;

namespace {
// The exclusive lock on profile.lock in the profile folder, held while it
// lives. The lock file is never replaced, so that every process locks the
// same file; the profile itself is replaced by a rename on every change.
class ProfileLock {
public:
    explicit ProfileLock(const std::string& dir) {
        const std::string path = dir + "/profile.lock";
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd_ < 0) Fail(errno, path);
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd_);
            Fail(err, path);
        }
    }
    ~ProfileLock() { ::close(fd_); }  // closing lets go of the lock
    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;

private:
    [[noreturn]] static void Fail(int err, const std::string& path) {
        ThrowFileError(err, "Cannot lock the profile " + path + ": " + std::strerror(err));
    }
    int fd_ = -1;
};
}  // namespace

bool SameName(const std::string& a, const std::string& b) {
    return base::EqualsIgnoringAsciiCase(a, b);
}

std::string Profile::Directory() {
    if (const char* p = std::getenv("FERRYWELL_PROFILE"); p && *p) return p;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) return std::string(x) + "/ferrywell";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/ferrywell";
}

std::string Profile::FilePath() { return Directory() + "/profile.txt"; }

Profile Profile::Load() {
    Profile p;
    std::string path = FilePath();
    std::error_code ec;
    if (!fs::exists(path, ec)) return p;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw StoreError(ErrorCode::AccessDenied, "Cannot read the profile " + path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto tab = line.find('\t');
        if (line.empty() || tab == std::string::npos) continue;
        p.stores_.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    if (in.bad()) throw StoreError(ErrorCode::Failed, "Cannot read the profile " + path);
    return p;
}

Profile Profile::Update(const std::function<bool(Profile&)>& change) {
    const std::string dir = Directory();
    std::error_code ec;
    fs::create_directories(dir, ec);
    ProfileLock lock(dir);
    Profile profile = Load();
    if (change(profile)) profile.Save();
    return profile;
}

void Profile::Save() const {
    std::string text;
    for (const auto& s : stores_) {
        // Whatever was read may be written back, but nothing that would split
        // or merge lines: the reader takes the name up to the first TAB.
        if (s.name.find_first_of("\t\r\n") != std::string::npos || s.path.find_first_of("\r\n") != std::string::npos) {
            throw StoreError(ErrorCode::InvalidArgument, "The profile cannot hold the store entry " + s.name);
        }
        text += s.name + '\t' + s.path + '\n';
    }
    // The profile is the user's only list of stores: durable once written.
    WriteWholeFile(FilePath(), text, base::Durability::OnlyCopy);
}

const ProfileStore* Profile::Find(const std::string& name) const {
    for (const auto& s : stores_)
        if (SameName(s.name, name)) return &s;
    return nullptr;
}

void Profile::CheckEntry(const ProfileStore& store) {
    if (store.name.empty()) throw StoreError(ErrorCode::InvalidArgument, "A store name cannot be empty");
    if (store.path.empty()) throw StoreError(ErrorCode::InvalidArgument, "The PST path is empty");
    CheckEntryText(store.name, "A store name", kMaxStoreNameChars, kMaxPathBytes);
    CheckEntryText(store.path, "The PST path", kMaxPathBytes, kMaxPathBytes);
}

void Profile::Add(const ProfileStore& store) {
    CheckEntry(store);
    for (auto& s : stores_)
        if (SameName(s.name, store.name)) {
            s = store;
            return;
        }
    stores_.push_back(store);
}

bool Profile::Remove(const ProfileStore& store) {
    for (auto it = stores_.begin(); it != stores_.end(); ++it)
        if (SameName(it->name, store.name) && it->path == store.path) {
            stores_.erase(it);
            return true;
        }
    return false;
}

}  // namespace store
