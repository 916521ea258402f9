#include <gtest/gtest.h>

#include "SioErrorCodes.h"
#include "SioExcept.h"
#include "SioPortRules.h"
#include "SioWin32Errors.h"
#include "SioWin32Windows.h"

namespace {

// What the com port makes of a failed open with this system error.
void RaiseForOpenError(DWORD error) {
    CheckResult(nullptr, sio::TranslateOpenResult(SioCodeForWin32Error(error)));
}

}  // namespace

TEST(SioWin32Errors, OpenFailuresBecomeTheComPortsExceptions) {
    EXPECT_THROW(RaiseForOpenError(ERROR_FILE_NOT_FOUND), EBadId);
    EXPECT_THROW(RaiseForOpenError(ERROR_PATH_NOT_FOUND), EBadId);
    EXPECT_THROW(RaiseForOpenError(ERROR_INVALID_NAME), EBadId);
    EXPECT_THROW(RaiseForOpenError(ERROR_ACCESS_DENIED), EAlreadyOpen);
    EXPECT_THROW(RaiseForOpenError(ERROR_SHARING_VIOLATION), EAlreadyOpen);
    EXPECT_THROW(RaiseForOpenError(ERROR_BUSY), EAlreadyOpen);
    EXPECT_EQ(SioDeviceHeldCode(), SioCodeForWin32Error(ERROR_ACCESS_DENIED));
}

TEST(SioWin32Errors, NumbersKeepTheirMeaningOrBecomeTheGeneralFailure) {
    EXPECT_EQ(SioCodeForWin32Error(ERROR_NOT_ENOUGH_MEMORY), sio::ecOutOfMemory);
    EXPECT_EQ(SioCodeForWin32Error(ERROR_OUTOFMEMORY), sio::ecOutOfMemory);
    EXPECT_EQ(SioCodeForWin32Error(ERROR_INVALID_HANDLE), sio::ecInvalidHandle);
    // No row of the table: the system's own number, and so its own text.
    EXPECT_EQ(SioCodeForWin32Error(ERROR_BROKEN_PIPE), -109);
    EXPECT_EQ(SioCodeForWin32Error(ERROR_DEVICE_NOT_CONNECTED), -1167);
    // A row that means something else here ("Drive is not ready" for 152, "Bad handle passed to
    // com function" for 1001, the open-port group for 2001...): never shown with that text.
    for (const DWORD unrelated : {100u, 152u, 1001u, 2001u, 2008u, 3007u, 5003u, 40000u, 0u})
        EXPECT_EQ(SioCodeForWin32Error(unrelated), sio::ecGeneralFailure) << unrelated;
}

TEST(SioWin32Errors, OnlyALostDeviceCountsAsGone) {
    // Access denied on an open handle is how a USB adapter that was pulled out answers: were it
    // taken for a refused call, sending would go on reporting success with nothing sent.
    for (const DWORD gone : {ERROR_NOT_READY, ERROR_BROKEN_PIPE, ERROR_GEN_FAILURE,
                             ERROR_DEVICE_NOT_CONNECTED, ERROR_DEVICE_REMOVED, ERROR_ACCESS_DENIED})
        EXPECT_TRUE(SioWin32DeviceGone(gone)) << gone;
    for (const DWORD refused :
         {ERROR_OPERATION_ABORTED, ERROR_IO_PENDING, ERROR_NOT_SUPPORTED, ERROR_INVALID_PARAMETER})
        EXPECT_FALSE(SioWin32DeviceGone(refused)) << refused;
}
