#include <registry/atomic_file.h>
#include <registry/win32_error.h>

#include "parent_directory.h"
#include <base/unique_fd.h>

#include <base/atomic_file.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace registry {

uint32_t ReplaceFileAtomically(const std::filesystem::path& target, std::string_view content, std::string& why) {
    why.clear();
    // A plain system error speaks for itself; `why` is kept for refusals.
    auto fail = [](int err) { return Win32ErrorFromErrno(err); };
    detail::ParentDirectory parent;
    if (const uint32_t code = detail::OpenParentDirectory(target, parent, why); code != kErrorSuccess) return code;
    const int dir = parent.dir.get();

    // Opening the old file for writing asks the file's own mode whether it may
    // be changed; O_NOFOLLOW refuses a link put in its place meanwhile.
    {
        const base::UniqueFd current(
            ::openat(dir, parent.name.c_str(), O_RDWR | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
        if (current) {
            struct stat old {};
            if (::fstat(current.get(), &old) != 0) return fail(errno);
            if (!S_ISREG(old.st_mode)) {
                why = target.string() + ": not a regular file; not replaced";
                return kErrorAccessDenied;
            }
        } else if (errno == ELOOP) {
            why = target.string() + ": became a symbolic link; not replaced";
            return kErrorAccessDenied;
        } else if (errno != ENOENT) {
            return fail(errno);
        }
    }

    base::WriteOptions options;
    options.durability = base::Durability::OnlyCopy;
    options.attributes = base::Attributes::KeepReplaced;
    options.newFileMode = 0644;
    try {
        base::WriteFileAtomicallyAt(dir, parent.name, content, options, target.string());
    } catch (const base::OwnershipError& e) {
        // The replacement would belong to someone else than the file it replaces.
        why = target.string() + ": its owner or group cannot be kept (" + std::strerror(e.Errno()) + "); not replaced";
        return kErrorAccessDenied;
    } catch (const base::IoError& e) {
        return fail(e.Errno());
    }
    return kErrorSuccess;
}

}  // namespace registry
