#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>

#include "EInOutError.h"
#include "EOutOfMemory.h"
#include "SioErrorCodes.h"
#include "SioExcept.h"
#include "SioIoResult.h"
#include "SioMessageTable.h"
#include "SystemErrorText.h"

namespace {

struct LoadingComponent : TSioLoadState {
    bool loading = true;
    bool Loading() const override { return loading; }
};

struct Row {
    std::int32_t code;
    const char* className;
    const char* message;
    std::function<bool(const ESioException&)> inGroup;
};

template <typename Group>
std::function<bool(const ESioException&)> Under() {
    return [](const ESioException& e) { return dynamic_cast<const Group*>(&e) != nullptr; };
}

// Runs CheckResult for a code that must raise E and hands what it raised to `check`.
template <typename E>
void ExpectRaises(std::int32_t code, const std::function<void(const E&)>& check) {
    try {
        CheckResult(nullptr, code);
        ADD_FAILURE() << "code " << code << " raised nothing";
    } catch (const E& e) {
        check(e);
    }
}

// Each row's code raises its class, inside its group, with its message and the code itself.
template <std::size_t N>
void ExpectRowsRaise(const Row (&rows)[N]) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        ExpectRaises<ESioException>(row.code, [&](const ESioException& e) {
            EXPECT_STREQ(e.ClassName(), row.className);
            EXPECT_EQ(e.Message(), row.message);
            EXPECT_EQ(e.ErrorCode(), row.code);
            EXPECT_TRUE(row.inGroup(e));
        });
    }
}

}  // namespace

TEST(CheckResult, EveryMappedCodeRaisesItsClassWithItsTextAndCode) {
    const Row rows[] = {
        {-1002, "EBadArgument", "Bad argument passed to function", Under<EGeneral>()},
        {-1003, "EGotQuitMsg", "Got quit message", Under<EGeneral>()},
        {-1004, "EBufferTooBig", "Terminal buffer greater than 65521", Under<EGeneral>()},
        {-1005, "EPortNotAssigned", "ComPort component not assigned", Under<EGeneral>()},
        {-1006, "EInternal", "Internal error creating window class", Under<EGeneral>()},
        {-1007, "EModemNotAssigned", "Modem component not assigned", Under<EGeneral>()},
        {-1008, "EPhonebookNotAssigned", "Phonebook component not assigned", Under<EGeneral>()},
        {-1009, "ECannotUseWithWinSock", "Component not compatible with WinSock", Under<EGeneral>()},
        {-2001, "EBadId", "ie_BadId - Specified comport doesn't exist", Under<EOpenComm>()},
        {-2002, "EBaudRate", "ie_Baudrate - unsupported baud rate", Under<EOpenComm>()},
        {-2003, "EByteSize", "ie_Bytesize - invalid byte size", Under<EOpenComm>()},
        {-2004, "EDefault", "ie_Default - error in default parameters", Under<EOpenComm>()},
        {-2005, "EHardware", "ie_Hardware - Specified comport in use", Under<EOpenComm>()},
        {-2006, "EMemory", "ie_Memory - unable to allocate queues", Under<EOpenComm>()},
        {-2007, "ECommNotOpen", "ie_NOpen - device not open", Under<EOpenComm>()},
        {-2008, "EAlreadyOpen", "ie_Open - device already open", Under<EOpenComm>()},
        {-2009, "ENoHandles", "No more handles, can't open port", Under<EOpenComm>()},
        {-2010, "ENoTimers", "No timers available", Under<EOpenComm>()},
        {-2011, "ENoPortSelected", "The ComNumber property of the TSioComPort has not been set",
         Under<EOpenComm>()},
        {-2012, "ENotOpenedByTapi", "Comport was not opened by Tapi", Under<EOpenComm>()},
        {-3001, "ENullApi", "No device layer specified", Under<ESerialIO>()},
        {-3003, "ERegisterHandlerFailed", "EnableCommNotification failed", Under<ESerialIO>()},
        {-3004, "EPutBlockFail", "Failed to put entire block", Under<ESerialIO>()},
        {-3005, "EGetBlockFail", "Failed to get entire block", Under<ESerialIO>()},
        {-3006, "EOutputBufferTooSmall", "Output buffer too small for block", Under<ESerialIO>()},
        {-3007, "EBufferIsEmpty", "Buffer is empty", Under<ESerialIO>()},
        {-3008, "ETracingNotEnabled", "Tracing not enabled", Under<ESerialIO>()},
        {-3009, "ELoggingNotEnabled", "Logging not enabled", Under<ESerialIO>()},
        {-3010, "EBaseAddressNotSet", "Base address not set", Under<ESerialIO>()},
        {-5001, "ENoMoreTriggers", "No more trigger slots", Under<ETrigger>()},
        {-5002, "ETriggerTooLong", "Data trigger too long", Under<ETrigger>()},
        {-5003, "EBadTriggerHandle", "Bad trigger handle", Under<ETrigger>()},
    };
    ExpectRowsRaise(rows);
}

TEST(CheckResult, CaughtThroughTheCommonBaseTheExactClassStillShows) {
    try {
        CheckResult(nullptr, sio::ecBadId);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.ClassName(), "EBadId");
        EXPECT_NE(dynamic_cast<const EBadId*>(&e), nullptr);
        EXPECT_EQ(dynamic_cast<const EAlreadyOpen*>(&e), nullptr);
    }
}

TEST(CheckResult, InputOutputCodesRaiseTheRuntimeErrorWithThePositiveNumber) {
    const std::pair<std::int32_t, const char*> rows[] = {
        {-2, "File not found"},       {-3, "Path not found"},
        {-4, "Too many open files"},  {-5, "File access denied"},
        {-6, "Invalid file handle"},  {-15, "Invalid drive"},
        {-18, "No more files"},       {-100, "Attempt to read beyond end of file"},
        {-101, "Disk is full"},       {-105, "File/device not open for output"},
        {-150, "Disk is write-protected"}, {-162, "General failure"},
    };
    for (const auto& [code, message] : rows) {
        SCOPED_TRACE(code);
        ExpectRaises<EInOutError>(code, [&](const EInOutError& e) {
            EXPECT_EQ(e.Message(), message);
            EXPECT_EQ(e.ErrorCode(), -code);
        });
    }
    EXPECT_THROW(CheckResult(nullptr, sio::ecOutOfMemory), EOutOfMemory);
}

TEST(CheckResult, SystemErrorsWithoutARowCarryTheSystemsTextOrNothing) {
    // 31 is a device-level system error without a row of its own.
    ExpectRaises<EInOutError>(-31, [](const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 31);
        EXPECT_EQ(e.Message(), SingleLineText(SystemErrorText(31)));
        EXPECT_FALSE(e.Message().empty());
        EXPECT_EQ(e.Message().find("  "), std::string::npos);
    });

    // A number the system has no text for gives an empty message rather than an invented one
    // (41 is free both among POSIX error numbers and among Windows error codes).
    ExpectRaises<EInOutError>(-41, [](const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 41);
        EXPECT_EQ(e.Message(), "");
    });
}

TEST(CheckResult, CodesWithoutAClassGiveTheGeneralExceptionWithCodeZero) {
    for (std::int32_t code : {-1, -1001, -1167, -3002, -4009, -6007, -8071, -13943, -13981,
                              -163, INT32_MIN}) {
        SCOPED_TRACE(code);
        ExpectRaises<ESioException>(code, [](const ESioException& e) {
            EXPECT_STREQ(e.ClassName(), "ESioException");
            EXPECT_EQ(e.Message(), "Serial port exception");
            EXPECT_EQ(e.ErrorCode(), 0);
        });
    }
}

// The groups of features this library does not contain raise their own classes with their
// codes, so that a caller can tell them apart from one another and from a general failure.
TEST(CheckResult, ModemProtocolDatabaseFaxTelephonyAndDialUpCodesRaiseTheirClasses) {
    const Row rows[] = {
        {-4001, "EModemNotStarted", "", Under<EModem>()},
        {-4002, "EModemBusy", "", Under<EModem>()},
        {-4005, "EModemRejectedCommand", "", Under<EModem>()},
        {-4008, "ENotDialing", "", Under<EModem>()},
        {-6006, "EProtocol", "", Under<EProtocol>()},
        {-6008, "EProtocol", "", Under<EProtocol>()},
        {-6009, "EProtocol", "", Under<EProtocol>()},
        {-7001, "EKeyTooLong", "", Under<EINI>()},
        {-7004, "EIniWrite", "", Under<EINI>()},
        {-7013, "EBadFieldForIndex", "", Under<EINI>()},
        {-7014, "EINI", "", Under<EINI>()},
        {-7003, "EInternal", "", Under<EGeneral>()},
        {-7006, "EInternal", "", Under<EGeneral>()},
        {-7012, "EInternal", "", Under<EGeneral>()},
        {-8001, "EFax", "", Under<EFax>()},
        {-8070, "EFax", "", Under<EFax>()},
        {-13801, "ETapi", "", Under<ETapi>()},
        {-13942, "ETapi", "", Under<ETapi>()},
        {-13980, "ERasLoadFail", "", Under<ERas>()},
    };
    // These features' texts are not in the table, and the system has none either.
    ExpectRowsRaise(rows);
}

TEST(CheckResult, SuccessCountsAndLoadingPassThrough) {
    EXPECT_EQ(CheckResult(nullptr, 0), 0);
    EXPECT_EQ(CheckResult(nullptr, 13), 13);
    EXPECT_EQ(CheckResult(nullptr, 0x7FFFFFFF), 0x7FFFFFFF);
    LoadingComponent component;
    EXPECT_EQ(CheckResult(&component, sio::ecBufferIsEmpty), sio::ecBufferIsEmpty);
    EXPECT_EQ(CheckResult(&component, -5), -5);
    component.loading = false;
    EXPECT_THROW(CheckResult(&component, sio::ecBufferIsEmpty), EBufferIsEmpty);
}

TEST(ErrorMessageFor, SignDoesNotMatterAndCodesAreTakenAsShortNumbers) {
    EXPECT_EQ(ErrorMessageFor(-3007), "Buffer is empty");
    EXPECT_EQ(ErrorMessageFor(3007), "Buffer is empty");
    EXPECT_EQ(ErrorMessageFor(0), "OK");
    EXPECT_EQ(ErrorMessageFor(0x10000 - 3007), "Buffer is empty");  // -3007 as a short
    EXPECT_EQ(ErrorMessageFor(0x10000 + 2001), "ie_BadId - Specified comport doesn't exist");
    EXPECT_EQ(ErrorMessageFor(15101), "Dispatch");
    EXPECT_EQ(ErrorMessageFor(-2), "File not found");
}

TEST(ErrorMessageFor, FindsEveryRowAndNothingBetweenThem) {
    const auto rows = SioMessageRows();
    ASSERT_GT(rows.size(), 100u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::int32_t magnitude = std::abs(rows[i].Code);
        EXPECT_EQ(SioMessageText(magnitude), rows[i].Text) << magnitude;
        const std::int32_t next = i + 1 < rows.size() ? std::abs(rows[i + 1].Code) : magnitude + 2;
        if (next > magnitude + 1) {
            EXPECT_EQ(SioMessageText(magnitude + 1), nullptr) << magnitude;
        }
    }
    EXPECT_EQ(SioMessageText(-1), nullptr);
    EXPECT_EQ(SioMessageText(40000), nullptr);
}

TEST(SingleLineText, ControlCharactersBecomeBlanksAndBlankRunsShrink) {
    EXPECT_EQ(SingleLineText("The device\r\nis not ready.\r\n"), "The device is not ready. ");
    EXPECT_EQ(SingleLineText("a \t\tb    c"), "a b c");
    EXPECT_EQ(SingleLineText(""), "");
}

TEST(ESioException, FromATextHasCodeZeroFromACodeTheTableText) {
    const ESioException fromText("Dispatcher already started");
    EXPECT_EQ(fromText.ErrorCode(), 0);
    EXPECT_EQ(fromText.Message(), "Dispatcher already started");
    const EPortNotAssigned fromCode(sio::ecPortNotAssigned);
    EXPECT_EQ(fromCode.ErrorCode(), -1005);
    EXPECT_EQ(fromCode.Message(), "ComPort component not assigned");
    EXPECT_STREQ(fromCode.ClassName(), "EPortNotAssigned");
}

TEST(IoResultFromErrno, FileErrorsBecomeTheNearestRuntimeCodeWithoutBorrowingAMeaning) {
    EXPECT_EQ(IoResultFromErrno(ENOENT), sio::ecFileNotFound);
    EXPECT_EQ(IoResultFromErrno(EACCES), sio::ecAccessDenied);
    EXPECT_EQ(IoResultFromErrno(EISDIR), sio::ecAccessDenied);
    EXPECT_EQ(IoResultFromErrno(ENOSPC), sio::ecDiskFull);
    EXPECT_EQ(IoResultFromErrno(EROFS), sio::ecWriteProtected);
    // No runtime code of its own: keeps its number, so the user reads the system's text.
    EXPECT_EQ(IoResultFromErrno(EMLINK), -EMLINK);
    // Its number is taken by a runtime row with another meaning ("Too many open files").
    EXPECT_EQ(IoResultFromErrno(EINTR), sio::ecGeneralFailure);
}
