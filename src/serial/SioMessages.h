#pragma once

#include <cstdint>

// Numbered notifications a dispatcher delivers to its handlers. The second parameter of each
// carries the dispatcher handle in its high 16 bits and a small datum in its low 16 bits.
namespace sio {

constexpr std::uint32_t TriggerMsgAvail = 0x7E01;   // first parameter: unread byte count
constexpr std::uint32_t TriggerMsgData = 0x7E02;    // data trigger handle; low word: length
constexpr std::uint32_t TriggerMsgTimer = 0x7E03;   // timer trigger handle
constexpr std::uint32_t TriggerMsgStatus = 0x7E04;  // status trigger handle; low word: count

// The handle that names the data-available trigger (the threshold set by SetAvailThreshold).
constexpr std::int32_t AvailTriggerHandle = 1;

// Status trigger kinds; a status trigger handle carries its kind in the low 3 bits.
constexpr std::int32_t StatusNone = 0;
constexpr std::int32_t StatusModem = 1;
constexpr std::int32_t StatusLine = 2;
constexpr std::int32_t StatusOutFree = 3;
constexpr std::int32_t StatusOutUsed = 4;
constexpr std::int32_t StatusOutSent = 5;

// Modem status byte: current lines in the high nibble, "changed" deltas in the low nibble.
constexpr std::uint8_t ModemDeltaCts = 0x01;
constexpr std::uint8_t ModemDeltaDsr = 0x02;
constexpr std::uint8_t ModemDeltaRing = 0x04;
constexpr std::uint8_t ModemDeltaDcd = 0x08;
constexpr std::uint8_t ModemCts = 0x10;
constexpr std::uint8_t ModemDsr = 0x20;
constexpr std::uint8_t ModemRing = 0x40;
constexpr std::uint8_t ModemDcd = 0x80;

// Line-error flags as the device reports them (only these five are collected).
constexpr std::uint32_t LineRxOverrun = 0x01;
constexpr std::uint32_t LineOverrun = 0x02;
constexpr std::uint32_t LineParity = 0x04;
constexpr std::uint32_t LineFraming = 0x08;
constexpr std::uint32_t LineBreak = 0x10;
constexpr std::uint32_t LineErrorMask = 0x1F;

// Device event bits reported by the device-event wait.
constexpr std::uint32_t EvRxChar = 0x0001;
constexpr std::uint32_t EvCts = 0x0008;
constexpr std::uint32_t EvDsr = 0x0010;
constexpr std::uint32_t EvRlsd = 0x0020;
constexpr std::uint32_t EvBreak = 0x0040;
constexpr std::uint32_t EvErr = 0x0080;
constexpr std::uint32_t EvRing = 0x0100;
constexpr std::uint32_t EvRingTe = 0x2000;
constexpr std::uint32_t EvModemEvents = EvCts | EvDsr | EvRlsd | EvRing | EvRingTe;
constexpr std::uint32_t EvLineEvents = EvBreak | EvErr;

// Escape functions of DeviceEscape.
constexpr std::int32_t EscSetRts = 3;
constexpr std::int32_t EscClrRts = 4;
constexpr std::int32_t EscSetDtr = 5;
constexpr std::int32_t EscClrDtr = 6;

// Queues of DevicePurge.
constexpr std::int32_t PurgeOutput = 0;
constexpr std::int32_t PurgeInput = 1;

}  // namespace sio
