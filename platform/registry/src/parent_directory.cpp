#include "parent_directory.h"

#include <registry/link_policy.h>
#include <registry/win32_error.h>

#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace registry::detail {

namespace {

// As many links as the kernel follows in one path.
constexpr int kMaxLinks = 40;

std::deque<std::string> Components(const std::filesystem::path& path) {
    std::deque<std::string> parts;
    for (const auto& part : path.relative_path()) {
        const std::string s = part.string();
        if (!s.empty() && s != ".") parts.push_back(s);
    }
    return parts;
}

base::UniqueFd OpenStart(const std::filesystem::path& path) {
    return base::UniqueFd(::open(path.is_absolute() ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
}

}  // namespace

uint32_t OpenParentDirectory(const std::filesystem::path& target, ParentDirectory& out, std::string& detail) {
    auto fail = [](int err) { return Win32ErrorFromErrno(err); };
    base::UniqueFd dir = OpenStart(target);
    if (!dir) return fail(errno);
    std::deque<std::string> rest = Components(target);
    if (rest.empty()) return fail(EISDIR);
    int links = 0;
    while (!rest.empty()) {
        const std::string part = std::move(rest.front());
        rest.pop_front();
        struct stat st {};
        if (::fstatat(dir.get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            // A missing last component is a file still to be made.
            if (errno == ENOENT && rest.empty() && part != "..") {
                out.dir = std::move(dir);
                out.name = part;
                return kErrorSuccess;
            }
            return fail(errno);
        }
        if (S_ISLNK(st.st_mode)) {
            struct stat holder {};
            if (::fstat(dir.get(), &holder) != 0) return fail(errno);
            if (!MayFollowLink(st, holder, ::geteuid())) {
                detail = target.string() + ": the symbolic link " + part + " belongs to user " +
                         std::to_string(st.st_uid) + ", not to the user running this; not followed";
                return kErrorAccessDenied;
            }
            if (++links > kMaxLinks) return fail(ELOOP);
            std::vector<char> buf(static_cast<size_t>(st.st_size) + 1 + 4096);
            const ssize_t n = ::readlinkat(dir.get(), part.c_str(), buf.data(), buf.size());
            if (n < 0) return fail(errno);
            if (static_cast<size_t>(n) >= buf.size()) return fail(ENAMETOOLONG);
            const std::filesystem::path to(std::string(buf.data(), static_cast<size_t>(n)));
            if (to.is_absolute()) dir = OpenStart(to);
            if (!dir) return fail(errno);
            auto more = Components(to);
            rest.insert(rest.begin(), more.begin(), more.end());
            if (rest.empty()) return fail(EISDIR);
            continue;
        }
        if (rest.empty()) {
            out.dir = std::move(dir);
            out.name = part;
            return kErrorSuccess;
        }
        base::UniqueFd next(::openat(dir.get(), part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next) return fail(errno);
        dir = std::move(next);
    }
    return fail(EISDIR);
}

}  // namespace registry::detail
