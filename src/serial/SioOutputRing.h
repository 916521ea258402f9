#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The dispatcher's transmit ring, of the configured output size. Head is where the application
// queues, tail where the output thread sends from. Not thread-safe by itself: the dispatcher's
// output lock guards it.
class TSioOutputRing {
  public:
    void Allocate(std::uint32_t size);
    void Free();
    bool Allocated() const { return !buffer_.empty(); }

    std::uint32_t Capacity() const { return static_cast<std::uint32_t>(buffer_.size()); }
    std::uint32_t Pending() const;
    std::uint32_t FreeSpace() const { return Capacity() - Pending(); }
    bool Full() const { return full_; }
    std::uint32_t Head() const { return head_; }
    std::uint32_t Tail() const { return tail_; }

    // Queues bytes at the head, wrapping at the end; returns the count queued (0 when they do
    // not fit whole).
    std::uint32_t Write(const std::uint8_t* data, std::uint32_t count);

    // The next stretch to send, in one piece. Queued data that wraps the end of the ring is first
    // rotated to its start, so that everything pending goes out in one write.
    std::span<const std::uint8_t> NextStretch();

    // Marks bytes as sent; the ring becomes empty (indices 0) when the tail meets the head.
    void Advance(std::uint32_t count);

    void Clear() {
        head_ = tail_ = 0;
        full_ = false;
    }

  private:
    std::vector<std::uint8_t> buffer_;
    std::uint32_t head_ = 0;
    std::uint32_t tail_ = 0;
    bool full_ = false;
};
