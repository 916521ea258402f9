#include "SioIoResult.h"

#include <cerrno>

#include "SioErrorCodes.h"
#include "SioMessageTable.h"

std::int32_t IoResultFromErrno(int errorNumber) {
    switch (errorNumber) {
        case ENOENT:
            return sio::ecFileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return sio::ecPathNotFound;
        case EMFILE:
        case ENFILE:
            return sio::ecTooManyFiles;
        case EACCES:
        case EPERM:
        case EISDIR:
        case ETXTBSY:
            return sio::ecAccessDenied;
        case EBADF:
            return sio::ecInvalidHandle;
        case ENOMEM:
            return sio::ecOutOfMemory;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return sio::ecDiskFull;
        case EROFS:
            return sio::ecWriteProtected;
        case EIO:
            return sio::ecDeviceWriteError;
        default:
            break;
    }
    // A number that no runtime code stands for keeps its own number, so the user reads the
    // system's text for it, unless a runtime row would give that number another meaning.
    if (errorNumber > 0 && errorNumber <= -sio::ecGeneralFailure &&
        SioMessageText(errorNumber) == nullptr)
        return -errorNumber;
    return sio::ecGeneralFailure;
}
