#pragma once

#include <chrono>
#include <random>
#include <string>

#include "Output.h"

namespace sim {

// The ways a reply can go wrong on a real line, for testing how the program copes.
struct FaultSettings {
    bool silent = false;             // the reply is never sent
    bool badChecksum = false;        // checksum one too high
    bool lowerCaseChecksum = false;  // checksum letters in lower case ("3f" for "3F")
    bool wrongCaseSerial = false;    // serial field letters in the other case
    bool noCarriageReturn = false;   // the frame's carriage return is left off
    bool noise = false;              // junk bytes (never ":") on the line before the reply
    int splitBursts = 1;             // the reply goes out in this many bursts with pauses between
    int dropBytes = 0;               // this many bytes of the reply are lost
    int disconnectAfter = 0;         // the line drops after this many replies (0: never)
    int every = 1;                   // the faults above hit only every n-th reply
    unsigned seed = 1;               // chooses the noise and the dropped bytes
    std::chrono::milliseconds burstPause{25};

    bool Any() const {
        return silent || badChecksum || lowerCaseChecksum || wrongCaseSerial || noCarriageReturn ||
               noise || splitBursts > 1 || dropBytes > 0 || disconnectAfter > 0;
    }
};

// Turns each reply frame of the instrument into what actually goes on the line.
class FaultInjector {
public:
    explicit FaultInjector(FaultSettings settings = {});

    Output Apply(std::string frame);

    const FaultSettings& Settings() const { return settings_; }
    int Replies() const { return replies_; }

private:
    void Corrupt(std::string& frame) const;
    void DropBytes(std::string& frame);
    std::string Noise();
    Output Split(const std::string& frame) const;

    FaultSettings settings_;
    std::mt19937 random_;
    int replies_ = 0;
};

}  // namespace sim
