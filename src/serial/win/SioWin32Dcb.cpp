#include "SioWin32Dcb.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

static_assert(sizeof(DCB) == sizeof(TSioDcb) && std::is_trivially_copyable_v<TSioDcb>);
static_assert(offsetof(DCB, BaudRate) == offsetof(TSioDcb, BaudRate));
// The flag bits fill the 32-bit word between the rate and wReserved.
static_assert(offsetof(DCB, wReserved) == offsetof(TSioDcb, Flags) + sizeof(std::uint32_t));
static_assert(offsetof(DCB, wReserved) == offsetof(TSioDcb, wReserved));
static_assert(offsetof(DCB, XonLim) == offsetof(TSioDcb, XonLim));
static_assert(offsetof(DCB, ByteSize) == offsetof(TSioDcb, ByteSize));
static_assert(offsetof(DCB, XonChar) == offsetof(TSioDcb, XonChar));
static_assert(offsetof(DCB, EvtChar) == offsetof(TSioDcb, EvtChar));
static_assert(offsetof(DCB, wReserved1) == offsetof(TSioDcb, wReserved1));

DCB SioDcbToWin32(const TSioDcb& settings) {
    DCB block;
    std::memcpy(&block, &settings, sizeof block);
    block.DCBlength = sizeof block;
    return block;
}

TSioDcb SioDcbFromWin32(const DCB& block) {
    TSioDcb settings;
    std::memcpy(static_cast<void*>(&settings), &block, sizeof settings);
    settings.DCBlength = sizeof settings;
    return settings;
}
