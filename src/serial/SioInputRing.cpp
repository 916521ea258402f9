#include "SioInputRing.h"

#include <algorithm>
#include <cstring>

void TSioInputRing::Allocate() {
    if (buffer_)
        std::memset(buffer_.get(), 0, Size);
    else
        buffer_ = std::make_unique<std::uint8_t[]>(Size);  // zeroed
    head_.store(0, std::memory_order_relaxed);
    tail_.store(0, std::memory_order_relaxed);
    allocated_.store(true, std::memory_order_release);
}

void TSioInputRing::Free() {
    allocated_.store(false, std::memory_order_release);
    head_.store(0, std::memory_order_relaxed);
    tail_.store(0, std::memory_order_relaxed);
}

std::uint32_t TSioInputRing::ContiguousFree() const {
    const auto toEnd = static_cast<std::uint32_t>(Size - Head() % Size);
    return std::min(toEnd, FreeSpace());
}
