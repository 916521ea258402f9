#include "SioPosixErrors.h"

#include <cerrno>

#include "SioErrorCodes.h"
#include "SioMessageTable.h"

std::int32_t SioCodeForErrno(int errorNumber) {
    switch (errorNumber) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
            return sio::ecFileNotFound;
        case ENOTDIR:
            return sio::ecPathNotFound;
        case EMFILE:
        case ENFILE:
            return sio::ecTooManyFiles;
        case EBUSY:
            return SioDeviceHeldCode();
        case EBADF:
            return sio::ecInvalidHandle;
        case ENOMEM:
            return sio::ecOutOfMemory;
        case ENOSPC:
            return sio::ecDiskFull;
        case EROFS:
            return sio::ecWriteProtected;
        case EIO:
            return sio::ecGeneralFailure;
        default:
            break;
    }
    if (errorNumber <= 0 || SioMessageText(errorNumber) != nullptr) return sio::ecGeneralFailure;
    return -errorNumber;
}

std::int32_t SioDeviceHeldCode() { return sio::ecAccessDenied; }
