#pragma once

#include <cstdint>
#include <memory>

// The dispatcher's receive ring: exactly 8192 bytes. Positions are counted from the start of the
// session and never wrap in practice (64 bits), so "full" and "empty" can never be confused and
// a position stays comparable after the ring has gone round. Not thread-safe by itself: the
// dispatcher holds its input lock around it.
class TSioInputRing {
  public:
    static constexpr std::uint32_t Size = 8192;

    void Allocate();
    void Free();
    bool Allocated() const { return buffer_ != nullptr; }

    std::uint64_t Head() const { return head_; }
    std::uint64_t Tail() const { return tail_; }
    std::uint32_t Count() const { return static_cast<std::uint32_t>(head_ - tail_); }
    std::uint32_t FreeSpace() const { return Size - Count(); }
    bool Full() const { return Count() == Size; }

    // The byte at an absolute position between the tail and the head.
    std::uint8_t At(std::uint64_t position) const { return buffer_[position % Size]; }

    // Where the next bytes go, and how many fit there in one piece.
    std::uint8_t* WritePointer() { return buffer_.get() + head_ % Size; }
    std::uint32_t ContiguousFree() const;
    void Commit(std::uint32_t count) { head_ += count; }

    void Consume(std::uint32_t count) { tail_ += count <= Count() ? count : Count(); }
    void DiscardAll() { tail_ = head_; }

  private:
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::uint64_t head_ = 0;
    std::uint64_t tail_ = 0;
};
