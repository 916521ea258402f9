#pragma once

#include <termios.h>

#include <cstdint>
#include <string>

// One open serial device on POSIX, at the level of single system calls. Every failure comes
// back as the library's result code (SioCodeForErrno). Devices without modem lines or error
// counters, such as pseudo-terminals, answer as a quiet line: no lines up, no errors.
// Not thread-safe by itself: the dispatcher keeps the descriptor alive while threads use it.
class TSioPosixDevice {
  public:
    TSioPosixDevice() = default;
    ~TSioPosixDevice();
    TSioPosixDevice(const TSioPosixDevice&) = delete;
    TSioPosixDevice& operator=(const TSioPosixDevice&) = delete;

    // Opens without sharing: non-blocking, never as the controlling terminal, closed across
    // exec, with an exclusive lock and exclusive mode. → 0, or the code (missing 2, held 5).
    std::int32_t Open(const std::string& path);
    // → 0, or the code of a failed close; the descriptor is gone either way.
    std::int32_t Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    // Bytes read (0 when none are waiting), or a negative code. On a failure `systemError`, when
    // given, receives the system's own number.
    std::int32_t Read(std::uint8_t* buffer, std::uint32_t size, int* systemError = nullptr);
    // Bytes written (0 when the device would block), or a negative code, as Read.
    std::int32_t Write(const std::uint8_t* data, std::uint32_t size, int* systemError = nullptr);
    // After poll() reported a hang-up or an error: the system's number for what became of the
    // device, as an empty write reports it (EIO for a hung-up terminal); EIO when it succeeds.
    int HangUpError() const;

    std::int32_t GetAttributes(termios& settings) const;        // 0 or code
    std::int32_t SetAttributes(const termios& settings) const;  // 0 or code

    // Raises or drops the TIOCM_* lines in `lines`. → 0 (also for a device without them).
    std::int32_t SetModemLines(int lines, bool on) const;
    // Starts or ends a break on the transmit line. → 0 or code.
    std::int32_t SetBreak(bool on) const;
    // Current lines as the modem status nibble: 0x10 CTS, 0x20 DSR, 0x40 ring, 0x80 carrier.
    std::uint8_t ModemLines() const;
    // Whether the device has modem lines at all (a pseudo-terminal has none), as found at open.
    bool HasModemLines() const { return hasModemLines_; }
    // Line errors since the last call (0x01 receive overrun, 0x02 overrun, 0x04 parity,
    // 0x08 framing, 0x10 break), from the driver's error counters.
    std::uint32_t TakeLineErrors();
    // Bytes waiting in the driver's input queue.
    std::uint32_t InputCount() const;
    // Discards the driver's pending input (TCIFLUSH) or output (TCOFLUSH). → 0 or code.
    std::int32_t Flush(int queue, int* systemError = nullptr) const;

  private:
    struct ErrorCounts {
        std::uint32_t bufferOverrun = 0, overrun = 0, parity = 0, frame = 0, breaks = 0;
    };
    bool ReadErrorCounts(ErrorCounts& counts) const;

    int fd_ = -1;
    ErrorCounts lastCounts_;
    // What the device offers, found at open: a device that lacks modem lines or error counters
    // is not asked for them again on every look at it.
    bool hasModemLines_ = false;
    bool hasErrorCounts_ = false;
};
