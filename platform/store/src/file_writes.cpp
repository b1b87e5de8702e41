#include "file_writes.h"

#include <cerrno>

namespace store {

ErrorCode ErrorCodeFromErrno(int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR: return ErrorCode::NotFound;
        case EACCES:
        case EPERM:
        case EROFS: return ErrorCode::AccessDenied;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return ErrorCode::DiskFull;
        case EINVAL:
        case ENAMETOOLONG: return ErrorCode::InvalidArgument;
        default: return ErrorCode::Failed;
    }
}

void ThrowFileError(int err, const std::string& text) { throw StoreError(ErrorCodeFromErrno(err), text); }

void WriteWholeFile(const std::string& path, std::string_view bytes, base::Durability durability) {
    try {
        base::WriteFileAtomically(path, bytes, durability);
    } catch (const base::IoError& e) {
        ThrowFileError(e.Errno(), e.what());
    }
}

}  // namespace store
