#include "SioInputRing.h"

#include <algorithm>

void TSioInputRing::Allocate() {
    buffer_ = std::make_unique<std::uint8_t[]>(Size);  // zeroed
    head_ = tail_ = 0;
}

void TSioInputRing::Free() {
    buffer_.reset();
    head_ = tail_ = 0;
}

std::uint32_t TSioInputRing::ContiguousFree() const {
    const auto toEnd = static_cast<std::uint32_t>(Size - head_ % Size);
    return std::min(toEnd, FreeSpace());
}
