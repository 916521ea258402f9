#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

// The dispatcher's receive ring: exactly 8192 bytes. Positions are counted from the start of the
// session and never wrap in practice (64 bits), so "full" and "empty" can never be confused and
// a position stays comparable after the ring has gone round.
//
// Changes need the dispatcher's input lock. The positions may also be read without it (the
// reading of a handler inside a notification does, see TSioBaseDispatcher::ReadChar), so they
// are atomic; single stores under the lock keep every change whole. The storage stays with the
// ring once made, so a reader that has not yet seen the ring freed never touches freed memory.
class TSioInputRing {
  public:
    static constexpr std::uint32_t Size = 8192;

    void Allocate();
    void Free();
    bool Allocated() const { return allocated_.load(std::memory_order_acquire); }

    std::uint64_t Head() const { return head_.load(std::memory_order_relaxed); }
    std::uint64_t Tail() const { return tail_.load(std::memory_order_relaxed); }
    std::uint32_t Count() const { return static_cast<std::uint32_t>(Head() - Tail()); }
    std::uint32_t FreeSpace() const { return Size - Count(); }
    bool Full() const { return Count() == Size; }

    // The byte at an absolute position between the tail and the head.
    std::uint8_t At(std::uint64_t position) const { return buffer_[position % Size]; }

    // Where the next bytes go, and how many fit there in one piece.
    std::uint8_t* WritePointer() { return buffer_.get() + Head() % Size; }
    std::uint32_t ContiguousFree() const;
    void Commit(std::uint32_t count) { head_.store(Head() + count, std::memory_order_release); }

    void Consume(std::uint32_t count) {
        const std::uint32_t unread = Count();
        tail_.store(Tail() + (count <= unread ? count : unread), std::memory_order_release);
    }
    void DiscardAll() { tail_.store(Head(), std::memory_order_release); }

  private:
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::atomic<std::uint64_t> head_{0};
    std::atomic<std::uint64_t> tail_{0};
    std::atomic<bool> allocated_{false};
};
