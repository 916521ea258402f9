#include "SioBaseDispatcher.h"

void TSioBaseDispatcher::Trace(char, const std::uint8_t*, std::uint32_t) {}

void TSioBaseDispatcher::Log(std::uint8_t, std::uint8_t, std::uint32_t, const void*, std::uint32_t) {}
