#pragma once

#include <cstdint>

// Result codes of the serial library: 0 success, positive counts and handles, negative errors
// grouped by thousands. Device-layer failures are the platform's error numbers, negated.
namespace sio {

constexpr std::int32_t ecOK = 0;

// File and device input/output (the negated runtime I/O numbers).
constexpr std::int32_t ecFileNotFound = -2;
constexpr std::int32_t ecPathNotFound = -3;
constexpr std::int32_t ecTooManyFiles = -4;
constexpr std::int32_t ecAccessDenied = -5;
constexpr std::int32_t ecInvalidHandle = -6;
constexpr std::int32_t ecOutOfMemory = -8;
constexpr std::int32_t ecDiskFull = -101;
constexpr std::int32_t ecWriteProtected = -150;
constexpr std::int32_t ecDeviceWriteError = -160;
constexpr std::int32_t ecDeviceReadError = -161;
constexpr std::int32_t ecGeneralFailure = -162;

// General library errors.
constexpr std::int32_t ecBadHandle = -1001;
constexpr std::int32_t ecBadArgument = -1002;
constexpr std::int32_t ecGotQuitMsg = -1003;
constexpr std::int32_t ecBufferTooBig = -1004;
constexpr std::int32_t ecPortNotAssigned = -1005;
constexpr std::int32_t ecInternal = -1006;
constexpr std::int32_t ecModemNotAssigned = -1007;
constexpr std::int32_t ecPhonebookNotAssigned = -1008;
constexpr std::int32_t ecCannotUseWithWinSock = -1009;

// Opening the port.
constexpr std::int32_t ecBadId = -2001;
constexpr std::int32_t ecBaudRate = -2002;
constexpr std::int32_t ecByteSize = -2003;
constexpr std::int32_t ecDefault = -2004;
constexpr std::int32_t ecHardware = -2005;
constexpr std::int32_t ecMemory = -2006;
constexpr std::int32_t ecCommNotOpen = -2007;
constexpr std::int32_t ecAlreadyOpen = -2008;
constexpr std::int32_t ecNoHandles = -2009;
constexpr std::int32_t ecNoTimers = -2010;
constexpr std::int32_t ecNoPortSelected = -2011;
constexpr std::int32_t ecNotOpenedByTapi = -2012;

// Serial input/output.
constexpr std::int32_t ecNullApi = -3001;
constexpr std::int32_t ecNotSupported = -3002;
constexpr std::int32_t ecRegisterHandlerFailed = -3003;
constexpr std::int32_t ecPutBlockFail = -3004;
constexpr std::int32_t ecGetBlockFail = -3005;
constexpr std::int32_t ecOutputBufferTooSmall = -3006;
constexpr std::int32_t ecBufferIsEmpty = -3007;
constexpr std::int32_t ecTracingNotEnabled = -3008;
constexpr std::int32_t ecLoggingNotEnabled = -3009;
constexpr std::int32_t ecBaseAddressNotSet = -3010;
// The device went away under the open port; the dispatcher's DeviceLostError() holds the
// system's number for it, which the com port raises as an input/output error.
constexpr std::int32_t ecDeviceLost = -3011;

// Modem (this library has no modem; the codes keep their classes for callers that do).
constexpr std::int32_t ecModemNotStarted = -4001;
constexpr std::int32_t ecModemBusy = -4002;
constexpr std::int32_t ecModemNotDialing = -4003;
constexpr std::int32_t ecModemNotResponding = -4004;
constexpr std::int32_t ecModemRejectedCommand = -4005;
constexpr std::int32_t ecModemStatusMismatch = -4006;
constexpr std::int32_t ecAlreadyDialing = -4007;
constexpr std::int32_t ecNotDialing = -4008;

// Triggers.
constexpr std::int32_t ecNoMoreTriggers = -5001;
constexpr std::int32_t ecTriggerTooLong = -5002;
constexpr std::int32_t ecBadTriggerHandle = -5003;

// File-transfer protocols: three codes raise the protocol group itself.
inline constexpr std::int32_t ecProtocolCodes[] = {-6006, -6008, -6009};

// Database (kept in INI files). Three of its codes are internal errors; the last one has no
// class of its own and raises the group.
constexpr std::int32_t ecKeyTooLong = -7001;
constexpr std::int32_t ecDataTooLarge = -7002;
constexpr std::int32_t ecIniWrite = -7004;
constexpr std::int32_t ecIniRead = -7005;
constexpr std::int32_t ecRecordExists = -7007;
constexpr std::int32_t ecRecordNotFound = -7008;
constexpr std::int32_t ecDatabaseFull = -7009;
constexpr std::int32_t ecDatabaseEmpty = -7010;
constexpr std::int32_t ecBadFieldList = -7011;
constexpr std::int32_t ecBadFieldForIndex = -7013;
constexpr std::int32_t ecLastIni = -7014;
inline constexpr std::int32_t ecIniInternalCodes[] = {-7003, -7006, -7012};

// Fax and image conversion, telephony, dial-up: whole ranges, each raising its group.
constexpr std::int32_t ecFirstFax = -8001;
constexpr std::int32_t ecLastFax = -8070;
constexpr std::int32_t ecFirstTapi = -13801;
constexpr std::int32_t ecLastTapi = -13942;
constexpr std::int32_t ecRasLoadFail = -13980;

}  // namespace sio
