#pragma once

#include <cstdint>

// Value types of the com port's properties.

// The device layer a port uses. dlWin32 names the platform's own serial device layer (on this
// system the POSIX terminal devices); dlWinsock is listed but not supported.
enum class TDeviceLayer { dlWin32, dlWinsock };

enum class TParity { pNone, pOdd, pEven, pMark, pSpace };

// Hardware flow options; the set's bits are the option word the dispatcher takes.
enum THWFlowOption : std::uint8_t {
    hwfUseDTR = 1,
    hwfUseRTS = 2,
    hwfRequireDSR = 4,
    hwfRequireCTS = 8,
};
using THWFlowOptionSet = std::uint8_t;

enum class TSWFlowOptions { swfNone, swfReceive, swfTransmit, swfBoth };

// Control of a port's trace and dispatch log.
enum class TTraceLogState { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };

enum class TTapiMode { tmNone, tmAuto, tmOn, tmOff };

namespace sio {

// Messages a port sends itself and the windows of its registered users.
constexpr std::uint32_t PortMsgOpened = 0x7E08;
constexpr std::uint32_t PortMsgClosed = 0x7E09;
constexpr std::uint32_t PortMsgClosing = 0x7E0A;

// Upper limits of the trace and log capacities.
constexpr std::uint32_t MaxTraceSize = 4'000'000;
constexpr std::uint32_t MaxLogSize = 16'000'000;

}  // namespace sio
