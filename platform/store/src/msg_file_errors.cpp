#include "msg_file_errors.h"

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
        case EDQUOT: return ErrorCode::DiskFull;
        case EINVAL:
        case ENAMETOOLONG: return ErrorCode::InvalidArgument;
        default: return ErrorCode::Failed;
    }
}

void ThrowFileError(int err, const std::string& text) { throw StoreError(ErrorCodeFromErrno(err), text); }

}  // namespace store
