#include "SioIoResult.h"

#include <cerrno>

#include "SioErrorCodes.h"
#include "SioMessageTable.h"

namespace {

// A number that no runtime code stands for keeps its own number, so the user reads the system's
// text for it, unless a runtime row would give that number another meaning.
std::int32_t OwnNumberOrGeneralFailure(std::int64_t errorNumber) {
    if (errorNumber > 0 && errorNumber <= -sio::ecGeneralFailure &&
        SioMessageText(static_cast<int>(errorNumber)) == nullptr)
        return static_cast<std::int32_t>(-errorNumber);
    return sio::ecGeneralFailure;
}

}  // namespace

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
#ifdef EDQUOT  // not in the Windows C runtime
        case EDQUOT:
#endif
        case EFBIG:
            return sio::ecDiskFull;
        case EROFS:
            return sio::ecWriteProtected;
        case EIO:
            return sio::ecDeviceWriteError;
        default:
            break;
    }
    return OwnNumberOrGeneralFailure(errorNumber);
}

std::int32_t IoResultFromWindowsError(std::uint32_t errorNumber) {
    // Windows' own numbers, spelt out so that the mapping needs no Windows header.
    switch (errorNumber) {
        case 2:  // file not found
        case 3:  // path not found
        case 4:  // too many open files
        case 5:  // access denied
        case 6:  // invalid handle
        case 8:  // not enough memory
            return -static_cast<std::int32_t>(errorNumber);
        case 14:  // out of memory
            return sio::ecOutOfMemory;
        case 123:  // bad file name
        case 161:  // bad path name
        case 206:  // name too long
            return sio::ecPathNotFound;
        case 32:  // sharing violation
        case 33:  // lock violation
            return sio::ecAccessDenied;
        case 39:   // disk full while writing
        case 112:  // disk full
            return sio::ecDiskFull;
        case 19:  // write-protected medium
            return sio::ecWriteProtected;
        case 29:  // write fault
            return sio::ecDeviceWriteError;
        default:
            break;
    }
    return OwnNumberOrGeneralFailure(errorNumber);
}
