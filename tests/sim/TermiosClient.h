#pragma once

#include <chrono>
#include <string>

// The program's end of the line, reduced to plain termios: opens a serial device raw, writes
// commands and reads replies with bounded waits.
class TermiosClient {
public:
    // With `discardOldInput` false the client opens like the program does: whatever waits on
    // the line is read, not thrown away.
    explicit TermiosClient(const std::string& path, bool discardOldInput = true);
    ~TermiosClient();
    TermiosClient(const TermiosClient&) = delete;
    TermiosClient& operator=(const TermiosClient&) = delete;

    // Writes every byte, waiting (bounded) while the line is full.
    void Write(const std::string& bytes);
    // Reads until the text received so far ends with `end`, or `limit` passes.
    std::string ReadUntil(const std::string& end,
                          std::chrono::milliseconds limit = std::chrono::seconds(5));
    // Reads whatever arrives until nothing more comes for `quiet`; the number of bytes.
    std::size_t Drain(std::chrono::milliseconds quiet);
    // Bytes received and not read yet.
    std::size_t Available() const;
    // True once the line reports a hang-up (the far end went away).
    bool HungUp() const { return hungUp_; }

private:
    int fd_ = -1;
    bool hungUp_ = false;
};
