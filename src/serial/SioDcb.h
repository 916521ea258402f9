#pragma once

#include <cstdint>

// The line settings record: the same fields, in the same order, and the same flag bits as the
// device control block of the Windows serial driver, so that the line-setting logic is one for
// every platform. A device layer translates it to and from its own settings.
struct TSioDcb {
    std::uint32_t DCBlength = sizeof(TSioDcb);
    std::uint32_t BaudRate = 0;
    std::uint32_t Flags = 0;
    std::uint16_t wReserved = 0;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 8;
    std::uint8_t Parity = 0;
    std::uint8_t StopBits = 0;
    char XonChar = 0x11;
    char XoffChar = 0x13;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    std::uint16_t wReserved1 = 0;

    friend bool operator==(const TSioDcb&, const TSioDcb&) = default;
};

namespace sio {

// Flag bits of TSioDcb::Flags.
constexpr std::uint32_t dcbBinary = 0x0001;
constexpr std::uint32_t dcbParity = 0x0002;
constexpr std::uint32_t dcbOutxCtsFlow = 0x0004;
constexpr std::uint32_t dcbOutxDsrFlow = 0x0008;
constexpr std::uint32_t dcbDtrControlMask = 0x0030;
constexpr std::uint32_t dcbDtrControlEnable = 0x0010;
constexpr std::uint32_t dcbDtrControlHandshake = 0x0020;
constexpr std::uint32_t dcbDsrSensitivity = 0x0040;
constexpr std::uint32_t dcbTxContinueOnXoff = 0x0080;
constexpr std::uint32_t dcbOutX = 0x0100;
constexpr std::uint32_t dcbInX = 0x0200;
constexpr std::uint32_t dcbErrorChar = 0x0400;
constexpr std::uint32_t dcbNull = 0x0800;
constexpr std::uint32_t dcbRtsControlMask = 0x3000;
constexpr std::uint32_t dcbRtsControlEnable = 0x1000;
constexpr std::uint32_t dcbRtsControlHandshake = 0x2000;
constexpr std::uint32_t dcbRtsControlToggle = 0x3000;
constexpr std::uint32_t dcbAbortOnError = 0x4000;

// Parity codes.
constexpr std::uint8_t NoParity = 0;
constexpr std::uint8_t OddParity = 1;
constexpr std::uint8_t EvenParity = 2;
constexpr std::uint8_t MarkParity = 3;
constexpr std::uint8_t SpaceParity = 4;

// Stop-bit codes.
constexpr std::uint8_t OneStopBit = 0;
constexpr std::uint8_t One5StopBits = 1;
constexpr std::uint8_t TwoStopBits = 2;

// The baud field may hold a rate or one of the driver's rate codes; this gives the rate.
std::uint32_t BaudFromDcbValue(std::uint32_t value);

}  // namespace sio
