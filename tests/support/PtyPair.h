#pragma once

#include <chrono>
#include <string>

// A pseudo-terminal pair for tests: the code under test opens SlavePath() like any serial
// device, the test plays the far end (the instrument) on the master descriptor.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    int MasterFd() const { return master_; }

    // Writes every byte to the master (the bytes then arrive at whoever opened the slave).
    void Write(const std::string& bytes);
    // Reads from the master until `count` bytes arrived or `limit` passed; returns what came.
    std::string Read(std::size_t count, std::chrono::milliseconds limit);
    // Reads whatever arrives until nothing more comes for `quiet`.
    std::string ReadUntilQuiet(std::chrono::milliseconds quiet);
    // Closes the master end, as when a device vanishes under the program.
    void CloseMaster();

private:
    int master_ = -1;
    std::string slavePath_;
};
