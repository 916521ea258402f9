#pragma once

#include <cstdint>

// Record types and subtypes of the dispatch log. Each record is a 16-byte header (type, subtype,
// two unused bytes, time in ms since the port opened, other data, data length; little-endian)
// followed by its data bytes.
//
// What the dispatcher records (type / subtype: other data; data):
//   bytes read from the device          lgDispatch / lgReadCom: count; the bytes
//   bytes queued for output             lgDispatch / lgWriteCom: count; the bytes
//   data available dispatched           lgTrigger / lgAvail: count
//   data trigger dispatched             lgTrigger / lgData: handle
//   timer trigger dispatched            lgTrigger / lgTimer: handle
//   status trigger dispatched           lgTrigger / lgStatus: handle
//   timer trigger created               lgTriggerAlloc / lgTimerTrigger: handle
//   status trigger created              lgTriggerAlloc / lgStatusTrigger: handle; kind (1 byte)
//   timer trigger removed               lgTriggerDispose / lgTimer: handle
//   status trigger removed              lgTriggerDispose / lgStatusTrigger: handle; kind (1 byte)
//   data trigger removed                lgTriggerDispose / lgData: handle
//   trigger window attached             lgHandlerAlloc / lgWindow: window handle
//   trigger window detached             lgHandlerDispose / lgWindow: window handle
//   data-available threshold set        lgTriggerDataChange / lgAvailTrigger: threshold
//   timer trigger armed / disarmed      lgTriggerDataChange / lgTimerTrigger: handle;
//                                       the ticks (4 bytes) when arming, nothing when disarming
//   status trigger armed                lgTriggerDataChange / lgStatusTrigger: handle;
//                                       value (2 bytes), armed flag before the change, fired flag
namespace sio {

// Types.
constexpr std::uint8_t lgNoEvent = 0;
constexpr std::uint8_t lgDispatch = 1;
constexpr std::uint8_t lgTrigger = 2;
constexpr std::uint8_t lgError = 3;
constexpr std::uint8_t lgThread = 4;
constexpr std::uint8_t lgTriggerAlloc = 5;
constexpr std::uint8_t lgTriggerDispose = 6;
constexpr std::uint8_t lgHandlerAlloc = 7;
constexpr std::uint8_t lgHandlerDispose = 8;
constexpr std::uint8_t lgTriggerDataChange = 9;
constexpr std::uint8_t lgTelnet = 10;
constexpr std::uint8_t lgUser = 19;
constexpr std::uint8_t lgLastType = 20;

// Subtypes.
constexpr std::uint8_t lgNone = 0;
constexpr std::uint8_t lgReadCom = 1;
constexpr std::uint8_t lgWriteCom = 2;
constexpr std::uint8_t lgLineStatus = 3;
constexpr std::uint8_t lgModemStatus = 4;
constexpr std::uint8_t lgAvail = 5;
constexpr std::uint8_t lgTimer = 6;
constexpr std::uint8_t lgData = 7;
constexpr std::uint8_t lgStatus = 8;
constexpr std::uint8_t lgThreadStart = 9;
constexpr std::uint8_t lgThreadExit = 10;
constexpr std::uint8_t lgThreadSleep = 11;
constexpr std::uint8_t lgThreadWake = 12;
constexpr std::uint8_t lgDataTrigger = 13;
constexpr std::uint8_t lgTimerTrigger = 14;
constexpr std::uint8_t lgStatusTrigger = 15;
constexpr std::uint8_t lgAvailTrigger = 16;
constexpr std::uint8_t lgWindow = 17;
constexpr std::uint8_t lgProcedure = 18;
constexpr std::uint8_t lgMethod = 19;
constexpr std::uint8_t lgLastSubtype = 19;

// Size of a record header in the ring.
constexpr std::uint32_t lgHeaderSize = 16;

}  // namespace sio
