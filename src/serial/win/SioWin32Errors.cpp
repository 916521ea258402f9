#include "SioWin32Errors.h"

#include "SioErrorCodes.h"
#include "SioMessageTable.h"

namespace {

// System error numbers the device layer meets (their values are fixed by the system).
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kTooManyOpenFiles = 4;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kInvalidHandle = 6;
constexpr std::uint32_t kNotEnoughMemory = 8;
constexpr std::uint32_t kOutOfMemory = 14;
constexpr std::uint32_t kInvalidDrive = 15;
constexpr std::uint32_t kNoMoreFiles = 18;
constexpr std::uint32_t kNotReady = 21;
constexpr std::uint32_t kBadCommand = 22;
constexpr std::uint32_t kGenFailure = 31;
constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kDevNotExist = 55;
constexpr std::uint32_t kBrokenPipe = 109;
constexpr std::uint32_t kInvalidName = 123;
constexpr std::uint32_t kBusy = 170;
constexpr std::uint32_t kNoSuchDevice = 433;
constexpr std::uint32_t kDeviceNotConnected = 1167;
constexpr std::uint32_t kDeviceRemoved = 1617;

// The message table holds texts by magnitude only up to this.
constexpr std::uint32_t kLargestTableMagnitude = 0x7FFF;

// Numbers whose row in the code table says what the system means by them.
bool SameMeaningInTable(std::uint32_t errorNumber) {
    switch (errorNumber) {
        case kFileNotFound:
        case kPathNotFound:
        case kTooManyOpenFiles:
        case kAccessDenied:
        case kInvalidHandle:
        case kNotEnoughMemory:
        case kInvalidDrive:
        case kNoMoreFiles:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::int32_t SioCodeForWin32Error(std::uint32_t errorNumber) {
    switch (errorNumber) {
        case kInvalidName:
            return sio::ecFileNotFound;
        case kSharingViolation:
        case kBusy:
            return SioDeviceHeldCode();
        case kOutOfMemory:
            return sio::ecOutOfMemory;
        default:
            break;
    }
    if (errorNumber == 0 || errorNumber > kLargestTableMagnitude) return sio::ecGeneralFailure;
    const auto number = static_cast<std::int32_t>(errorNumber);
    if (SameMeaningInTable(errorNumber) || SioMessageText(number) == nullptr) return -number;
    return sio::ecGeneralFailure;
}

std::int32_t SioDeviceHeldCode() {
    return sio::ecAccessDenied;
}

bool SioWin32DeviceGone(std::uint32_t errorNumber) {
    switch (errorNumber) {
        // On a handle that is already open, access is refused only once its device is being
        // removed: an unplugged USB adapter answers every call so.
        case kAccessDenied:
        case kNotReady:  // a hung-up line
        case kBadCommand:
        case kGenFailure:  // an unplugged USB adapter
        case kDevNotExist:
        case kBrokenPipe:
        case kNoSuchDevice:
        case kDeviceNotConnected:
        case kDeviceRemoved:
            return true;
        default:
            return false;
    }
}
