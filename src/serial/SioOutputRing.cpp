#include "SioOutputRing.h"

#include <algorithm>
#include <cstring>

void TSioOutputRing::Allocate(std::uint32_t size) {
    buffer_.assign(size, 0);
    Clear();
}

void TSioOutputRing::Free() {
    buffer_.clear();
    buffer_.shrink_to_fit();
    Clear();
}

std::uint32_t TSioOutputRing::Pending() const {
    if (full_) return Capacity();
    if (tail_ <= head_) return head_ - tail_;
    return Capacity() + head_ - tail_;
}

std::uint32_t TSioOutputRing::Write(const std::uint8_t* data, std::uint32_t count) {
    if (count == 0 || count > FreeSpace()) return 0;
    const std::uint32_t first = std::min(count, Capacity() - head_);
    std::memcpy(buffer_.data() + head_, data, first);
    std::memcpy(buffer_.data(), data + first, count - first);
    head_ = (head_ + count) % Capacity();
    if (head_ == tail_) full_ = true;
    return count;
}

std::span<const std::uint8_t> TSioOutputRing::NextStretch() {
    if (!full_ && head_ == tail_) return {};
    if (head_ > tail_) return {buffer_.data() + tail_, head_ - tail_};
    if (head_ == 0) return {buffer_.data() + tail_, Capacity() - tail_};
    // Wrapped: put the tail..end run at the start, followed by the first head bytes.
    const std::uint32_t endRun = Capacity() - tail_;
    std::vector<std::uint8_t> start(buffer_.begin(), buffer_.begin() + head_);
    std::memmove(buffer_.data(), buffer_.data() + tail_, endRun);
    std::memcpy(buffer_.data() + endRun, start.data(), head_);
    head_ = (head_ + endRun) % Capacity();
    tail_ = 0;
    return {buffer_.data(), full_ ? Capacity() : head_};
}

void TSioOutputRing::Advance(std::uint32_t count) {
    if (count == 0) return;
    count = std::min(count, Pending());
    tail_ = (tail_ + count) % Capacity();
    full_ = false;
    if (tail_ == head_) head_ = tail_ = 0;
}
