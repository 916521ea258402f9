#include "SioExcept.h"

#include <cstdlib>
#include <cstring>

#include "EInOutError.h"
#include "EOutOfMemory.h"
#include "SioErrorCodes.h"
#include "SioMessageTable.h"
#include "SystemErrorText.h"

namespace {

constexpr std::size_t kMaxMessage = 255;

std::string Cut(std::string text) {
    if (text.size() > kMaxMessage) text.resize(kMaxMessage);
    return text;
}

// The system's own text for an error number, or an empty text when it has none (the C library
// invents "Unknown error N" for such numbers, which tells the user nothing).
std::string SystemTextOrEmpty(int number) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 32))
    if (strerrorname_np(number) == nullptr) return {};
#endif
    std::string text = SystemErrorText(number);
    if (text.rfind("Unknown error", 0) == 0) return {};
    return text;
}

template <typename E>
[[noreturn]] void Raise(std::int32_t code) {
    throw E(code);
}

// The codes from `lowest` to `highest` raise one class.
struct ClassForCode {
    std::int32_t lowest;
    std::int32_t highest;
    void (*raise)(std::int32_t);

    constexpr ClassForCode(std::int32_t code, void (*raiseFor)(std::int32_t))
        : lowest(code), highest(code), raise(raiseFor) {}
    constexpr ClassForCode(std::int32_t low, std::int32_t high, void (*raiseFor)(std::int32_t))
        : lowest(low), highest(high), raise(raiseFor) {}
};

// Codes that raise a class of their own or of their group. Codes with a text but no class
// (-1001, -3002) are left to the general rule.
constexpr ClassForCode kClasses[] = {
    {sio::ecBadArgument, Raise<EBadArgument>},
    {sio::ecGotQuitMsg, Raise<EGotQuitMsg>},
    {sio::ecBufferTooBig, Raise<EBufferTooBig>},
    {sio::ecPortNotAssigned, Raise<EPortNotAssigned>},
    {sio::ecInternal, Raise<EInternal>},
    {sio::ecModemNotAssigned, Raise<EModemNotAssigned>},
    {sio::ecPhonebookNotAssigned, Raise<EPhonebookNotAssigned>},
    {sio::ecCannotUseWithWinSock, Raise<ECannotUseWithWinSock>},
    {sio::ecBadId, Raise<EBadId>},
    {sio::ecBaudRate, Raise<EBaudRate>},
    {sio::ecByteSize, Raise<EByteSize>},
    {sio::ecDefault, Raise<EDefault>},
    {sio::ecHardware, Raise<EHardware>},
    {sio::ecMemory, Raise<EMemory>},
    {sio::ecCommNotOpen, Raise<ECommNotOpen>},
    {sio::ecAlreadyOpen, Raise<EAlreadyOpen>},
    {sio::ecNoHandles, Raise<ENoHandles>},
    {sio::ecNoTimers, Raise<ENoTimers>},
    {sio::ecNoPortSelected, Raise<ENoPortSelected>},
    {sio::ecNotOpenedByTapi, Raise<ENotOpenedByTapi>},
    {sio::ecNullApi, Raise<ENullApi>},
    {sio::ecRegisterHandlerFailed, Raise<ERegisterHandlerFailed>},
    {sio::ecPutBlockFail, Raise<EPutBlockFail>},
    {sio::ecGetBlockFail, Raise<EGetBlockFail>},
    {sio::ecOutputBufferTooSmall, Raise<EOutputBufferTooSmall>},
    {sio::ecBufferIsEmpty, Raise<EBufferIsEmpty>},
    {sio::ecTracingNotEnabled, Raise<ETracingNotEnabled>},
    {sio::ecLoggingNotEnabled, Raise<ELoggingNotEnabled>},
    {sio::ecBaseAddressNotSet, Raise<EBaseAddressNotSet>},
    {sio::ecNoMoreTriggers, Raise<ENoMoreTriggers>},
    {sio::ecTriggerTooLong, Raise<ETriggerTooLong>},
    {sio::ecBadTriggerHandle, Raise<EBadTriggerHandle>},
    {sio::ecModemNotStarted, Raise<EModemNotStarted>},
    {sio::ecModemBusy, Raise<EModemBusy>},
    {sio::ecModemNotDialing, Raise<EModemNotDialing>},
    {sio::ecModemNotResponding, Raise<EModemNotResponding>},
    {sio::ecModemRejectedCommand, Raise<EModemRejectedCommand>},
    {sio::ecModemStatusMismatch, Raise<EModemStatusMismatch>},
    {sio::ecAlreadyDialing, Raise<EAlreadyDialing>},
    {sio::ecNotDialing, Raise<ENotDialing>},
    {sio::ecProtocolCodes[0], Raise<EProtocol>},
    {sio::ecProtocolCodes[1], Raise<EProtocol>},
    {sio::ecProtocolCodes[2], Raise<EProtocol>},
    {sio::ecKeyTooLong, Raise<EKeyTooLong>},
    {sio::ecDataTooLarge, Raise<EDataTooLarge>},
    {sio::ecIniWrite, Raise<EIniWrite>},
    {sio::ecIniRead, Raise<EIniRead>},
    {sio::ecRecordExists, Raise<ERecordExists>},
    {sio::ecRecordNotFound, Raise<ERecordNotFound>},
    {sio::ecDatabaseFull, Raise<EDatabaseFull>},
    {sio::ecDatabaseEmpty, Raise<EDatabaseEmpty>},
    {sio::ecBadFieldList, Raise<EBadFieldList>},
    {sio::ecBadFieldForIndex, Raise<EBadFieldForIndex>},
    {sio::ecLastIni, Raise<EINI>},
    {sio::ecIniInternalCodes[0], Raise<EInternal>},
    {sio::ecIniInternalCodes[1], Raise<EInternal>},
    {sio::ecIniInternalCodes[2], Raise<EInternal>},
    {sio::ecLastFax, sio::ecFirstFax, Raise<EFax>},
    {sio::ecLastTapi, sio::ecFirstTapi, Raise<ETapi>},
    {sio::ecRasLoadFail, Raise<ERasLoadFail>},
};

// The runtime's own input/output numbers, negated.
constexpr std::int32_t kFirstIoCode = -162;
constexpr std::int32_t kLastIoCode = -2;

}  // namespace

std::string SingleLineText(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 32) c = ' ';
    for (std::size_t at = text.find("  "); at != std::string::npos; at = text.find("  ", at))
        text.erase(at, 1);
    return text;
}

ESioException::ESioException(std::int32_t code)
    : Exception(Cut(ErrorMessageFor(code))), errorCode_(code) {}

ESioException::ESioException(std::string text) : Exception(std::move(text)), errorCode_(0) {}

std::string ErrorMessageFor(std::int32_t code) {
    const std::int32_t asShort = static_cast<std::int16_t>(code);
    const std::int32_t magnitude = std::abs(asShort);
    if (const char* text = SioMessageText(magnitude)) return Cut(text);
    return Cut(SingleLineText(SystemTextOrEmpty(magnitude)));
}

std::int32_t CheckResult(const TSioLoadState* component, std::int32_t code) {
    if (code >= 0 || (component != nullptr && component->Loading())) return code;
    for (const ClassForCode& entry : kClasses)
        if (code >= entry.lowest && code <= entry.highest) entry.raise(code);
    if (code >= kFirstIoCode && code <= kLastIoCode) {
        if (code == sio::ecOutOfMemory) throw EOutOfMemory();
        throw EInOutError(ErrorMessageFor(code), -code);
    }
    throw ESioException("Serial port exception");
}

void RaiseDeviceLost(int systemError) {
    throw EInOutError(Cut(SingleLineText(SystemErrorText(systemError))), systemError);
}
