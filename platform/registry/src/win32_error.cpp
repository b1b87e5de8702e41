#include <registry/win32_error.h>

#include <cerrno>

namespace registry {

namespace {

struct MessageEntry {
    uint32_t code;
    const char* text;
};

// English texts of the system message table for the numbers this code uses.
constexpr MessageEntry kMessages[] = {
    {kErrorSuccess, "The operation completed successfully."},
    {kErrorInvalidFunction, "Incorrect function."},
    {kErrorFileNotFound, "The system cannot find the file specified."},
    {kErrorPathNotFound, "The system cannot find the path specified."},
    {kErrorAccessDenied, "Access is denied."},
    {kErrorInvalidHandle, "The handle is invalid."},
    {kErrorNotEnoughMemory, "Not enough memory resources are available to process this command."},
    {kErrorGenFailure, "A device attached to the system is not functioning."},
    {kErrorSharingViolation, "The process cannot access the file because it is being used by another process."},
    {kErrorInvalidParameter, "The parameter is incorrect."},
    {kErrorDiskFull, "There is not enough space on the disk."},
    {kErrorBadArguments, "One or more arguments are not correct."},
    {kErrorMoreData, "More data is available."},
    {kErrorBadDatabase, "The configuration registry database is corrupt."},
    {kErrorIoDevice, "The request could not be performed because of an I/O device error."},
    {kErrorUnsupportedType, "The data is of an unsupported type."},
};

}  // namespace

std::string SystemMessageText(uint32_t code) {
    for (const auto& entry : kMessages) {
        if (entry.code == code) return entry.text;
    }
    return "Unknown error " + std::to_string(code) + ".";
}

uint32_t Win32ErrorFromErrno(int err) {
    switch (err) {
        case 0: return kErrorSuccess;
        case ENOENT: return kErrorFileNotFound;
        case ENOTDIR: return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return kErrorAccessDenied;
        case ENOMEM: return kErrorNotEnoughMemory;
        case EBUSY:
        case ETXTBSY: return kErrorSharingViolation;
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return kErrorDiskFull;
        case EIO: return kErrorIoDevice;
        case EINVAL: return kErrorInvalidParameter;
        default: return kErrorGenFailure;
    }
}

}  // namespace registry
