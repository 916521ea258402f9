#include "SioPosixErrors.h"

#include <cerrno>

#include "SioErrorCodes.h"
#include "SioIoResult.h"

std::int32_t SioCodeForErrno(int errorNumber) {
    switch (errorNumber) {
        case ENXIO:  // a device node without its device
        case ENODEV:
            return sio::ecFileNotFound;
        case EBUSY:
            return SioDeviceHeldCode();
        // Refused access is not "held": the user must learn the system's own reason.
        case EACCES:
        case EPERM:
        case EISDIR:
            return -errorNumber;
        case EIO:
            return sio::ecGeneralFailure;
        default:
            return IoResultFromErrno(errorNumber);  // the file rules for everything else
    }
}

std::int32_t SioDeviceHeldCode() {
    return sio::ecAccessDenied;
}

bool SioDeviceGoneErrno(int errorNumber) {
    switch (errorNumber) {
        case EIO:  // a hung-up terminal: a closed pseudo-terminal master, an unplugged adapter
        case ENXIO:
        case ENODEV:
        case EPIPE:
        case ESHUTDOWN:
        case ENOTCONN:  // a dropped Bluetooth link
        case ECONNRESET:
        case EHOSTDOWN:
            return true;
        default:
            return false;
    }
}
