#pragma once

#include <cstdint>
#include <string>

#include "Exception.h"

// The serial library's exception tree. Every negative result code that reaches a component is
// turned into one of these by CheckResult; callers tell failures apart by the exact class.

// Root of the library's own exceptions. Built from a code, the message is the table text for
// that code; built from a text, the code is 0.
class ESioException : public Exception {
public:
    explicit ESioException(std::int32_t code);
    explicit ESioException(std::string text);
    explicit ESioException(const char* text) : ESioException(std::string(text)) {}

    std::int32_t ErrorCode() const noexcept { return errorCode_; }

    RM_EXCEPTION_CLASS_NAME(ESioException)

private:
    std::int32_t errorCode_;
};

// One class of the tree: derived from Base, built exactly like the root, reporting its own name.
#define SIO_EXCEPTION_CLASS(Name, Base)    \
    class Name : public Base {             \
    public:                                \
        using Base::Base;                  \
        RM_EXCEPTION_CLASS_NAME(Name)      \
    };

// Groups, one per thousand of the code range.
SIO_EXCEPTION_CLASS(EGeneral, ESioException)
SIO_EXCEPTION_CLASS(EOpenComm, ESioException)
SIO_EXCEPTION_CLASS(ESerialIO, ESioException)
SIO_EXCEPTION_CLASS(EModem, ESioException)
SIO_EXCEPTION_CLASS(ETrigger, ESioException)
SIO_EXCEPTION_CLASS(EProtocol, ESioException)
SIO_EXCEPTION_CLASS(EINI, ESioException)
SIO_EXCEPTION_CLASS(EFax, ESioException)
SIO_EXCEPTION_CLASS(ETapi, ESioException)
SIO_EXCEPTION_CLASS(ERas, ESioException)

// General library errors.
SIO_EXCEPTION_CLASS(EBadArgument, EGeneral)
SIO_EXCEPTION_CLASS(EGotQuitMsg, EGeneral)
SIO_EXCEPTION_CLASS(EBufferTooBig, EGeneral)
SIO_EXCEPTION_CLASS(EPortNotAssigned, EGeneral)
SIO_EXCEPTION_CLASS(EInternal, EGeneral)
SIO_EXCEPTION_CLASS(EModemNotAssigned, EGeneral)
SIO_EXCEPTION_CLASS(EPhonebookNotAssigned, EGeneral)
SIO_EXCEPTION_CLASS(ECannotUseWithWinSock, EGeneral)

// Opening the port.
SIO_EXCEPTION_CLASS(EBadId, EOpenComm)
SIO_EXCEPTION_CLASS(EBaudRate, EOpenComm)
SIO_EXCEPTION_CLASS(EByteSize, EOpenComm)
SIO_EXCEPTION_CLASS(EDefault, EOpenComm)
SIO_EXCEPTION_CLASS(EHardware, EOpenComm)
SIO_EXCEPTION_CLASS(EMemory, EOpenComm)
SIO_EXCEPTION_CLASS(ECommNotOpen, EOpenComm)
SIO_EXCEPTION_CLASS(EAlreadyOpen, EOpenComm)
SIO_EXCEPTION_CLASS(ENoHandles, EOpenComm)
SIO_EXCEPTION_CLASS(ENoTimers, EOpenComm)
SIO_EXCEPTION_CLASS(ENoPortSelected, EOpenComm)
SIO_EXCEPTION_CLASS(ENotOpenedByTapi, EOpenComm)

// Serial input/output.
SIO_EXCEPTION_CLASS(ENullApi, ESerialIO)
SIO_EXCEPTION_CLASS(ERegisterHandlerFailed, ESerialIO)
SIO_EXCEPTION_CLASS(EPutBlockFail, ESerialIO)
SIO_EXCEPTION_CLASS(EGetBlockFail, ESerialIO)
SIO_EXCEPTION_CLASS(EOutputBufferTooSmall, ESerialIO)
SIO_EXCEPTION_CLASS(EBufferIsEmpty, ESerialIO)
SIO_EXCEPTION_CLASS(ETracingNotEnabled, ESerialIO)
SIO_EXCEPTION_CLASS(ELoggingNotEnabled, ESerialIO)
SIO_EXCEPTION_CLASS(EBaseAddressNotSet, ESerialIO)

// Triggers.
SIO_EXCEPTION_CLASS(ENoMoreTriggers, ETrigger)
SIO_EXCEPTION_CLASS(ETriggerTooLong, ETrigger)
SIO_EXCEPTION_CLASS(EBadTriggerHandle, ETrigger)

// Features this library does not contain: modem, database and dial-up. Their codes still
// raise their own classes, so a caller can tell them apart; fax and telephony codes raise
// their group (EFax, ETapi) with the code.
SIO_EXCEPTION_CLASS(EModemNotStarted, EModem)
SIO_EXCEPTION_CLASS(EModemBusy, EModem)
SIO_EXCEPTION_CLASS(EModemNotDialing, EModem)
SIO_EXCEPTION_CLASS(EModemNotResponding, EModem)
SIO_EXCEPTION_CLASS(EModemRejectedCommand, EModem)
SIO_EXCEPTION_CLASS(EModemStatusMismatch, EModem)
SIO_EXCEPTION_CLASS(EAlreadyDialing, EModem)
SIO_EXCEPTION_CLASS(ENotDialing, EModem)

SIO_EXCEPTION_CLASS(EKeyTooLong, EINI)
SIO_EXCEPTION_CLASS(EDataTooLarge, EINI)
SIO_EXCEPTION_CLASS(EIniWrite, EINI)
SIO_EXCEPTION_CLASS(EIniRead, EINI)
SIO_EXCEPTION_CLASS(ERecordExists, EINI)
SIO_EXCEPTION_CLASS(ERecordNotFound, EINI)
SIO_EXCEPTION_CLASS(EDatabaseFull, EINI)
SIO_EXCEPTION_CLASS(EDatabaseEmpty, EINI)
SIO_EXCEPTION_CLASS(EBadFieldList, EINI)
SIO_EXCEPTION_CLASS(EBadFieldForIndex, EINI)

SIO_EXCEPTION_CLASS(ERasLoadFail, ERas)

#undef SIO_EXCEPTION_CLASS

// What CheckResult needs to know about the component that received a code: while it is being
// loaded from its stored form, failures pass through unreported.
class TSioLoadState {
public:
    virtual ~TSioLoadState() = default;
    virtual bool Loading() const = 0;
};

// Returns `code` when it is 0 or positive, or when `component` is loading; otherwise raises the
// exception the code stands for and never returns. `component` may be null (never loading).
std::int32_t CheckResult(const TSioLoadState* component, std::int32_t code);

// Raises the input/output error for a device that went away under an open port: the system's
// positive number `systemError` and its own text for it, on one line.
[[noreturn]] void RaiseDeviceLost(int systemError);

// The message for a code (its sign does not matter): the table text, else the operating
// system's text for that number on one line, else an empty text. At most 255 characters.
std::string ErrorMessageFor(std::int32_t code);

// `text` on one line: every control character becomes a blank, then runs of blanks shrink to one.
std::string SingleLineText(std::string text);
