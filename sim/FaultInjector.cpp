#include "FaultInjector.h"

#include <algorithm>
#include <cctype>

#include "SimFraming.h"

namespace sim {

FaultInjector::FaultInjector(FaultSettings settings) : settings_(settings), random_(settings.seed) {
    settings_.every = std::max(1, settings_.every);
    settings_.splitBursts = std::max(1, settings_.splitBursts);
}

Output FaultInjector::Apply(std::string frame) {
    ++replies_;
    const bool hangUp = settings_.disconnectAfter > 0 && replies_ >= settings_.disconnectAfter;
    if (replies_ % settings_.every != 0) {
        Output output = Output::Of(std::move(frame));
        output.hangUpAfter = hangUp;
        return output;
    }
    if (settings_.silent) return Output{{}, hangUp};

    Corrupt(frame);
    DropBytes(frame);
    Output output = Split(frame);
    if (settings_.noise) {
        // The junk is a burst of its own, so the reply still starts a fresh frame after it.
        output.bursts.insert(output.bursts.begin(), Burst{{}, Noise()});
        output.bursts[1].pause = std::max(output.bursts[1].pause, std::chrono::milliseconds(5));
    }
    output.hangUpAfter = hangUp;
    return output;
}

void FaultInjector::Corrupt(std::string& frame) const {
    // ":" serial(5) type payload checksum(2) CR
    if (frame.size() < 1 + kSerialLength + 1 + 3) return;
    const std::size_t checksumAt = frame.size() - 3;
    if (settings_.badChecksum) {
        const unsigned wrong = (*ParseUpperHex(frame.substr(checksumAt, 2)) + 1) & 0xFFu;
        frame.replace(checksumAt, 2, UpperHex(wrong, 2));
    }
    if (settings_.lowerCaseChecksum) {
        for (std::size_t i = checksumAt; i < checksumAt + 2; ++i)
            frame[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(frame[i])));
    }
    if (settings_.wrongCaseSerial) {
        for (std::size_t i = 1; i <= kSerialLength; ++i) {
            const auto c = static_cast<unsigned char>(frame[i]);
            frame[i] = static_cast<char>(std::islower(c) ? std::toupper(c) : std::tolower(c));
        }
    }
    if (settings_.noCarriageReturn && frame.back() == kCarriageReturn) frame.pop_back();
}

void FaultInjector::DropBytes(std::string& frame) {
    for (int i = 0; i < settings_.dropBytes && !frame.empty(); ++i) {
        std::uniform_int_distribution<std::size_t> position(0, frame.size() - 1);
        frame.erase(position(random_), 1);
    }
}

std::string FaultInjector::Noise() {
    static constexpr char kJunk[] = "\n\r\x00\x7F\xFF~#@%&*0123456789ABCDEFxyz";
    std::uniform_int_distribution<std::size_t> length(3, 8);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kJunk - 2);
    std::string noise(length(random_), ' ');
    for (char& c : noise) c = kJunk[pick(random_)];
    return noise;
}

Output FaultInjector::Split(const std::string& frame) const {
    Output output;
    const std::size_t parts = std::min<std::size_t>(static_cast<std::size_t>(settings_.splitBursts),
                                                    std::max<std::size_t>(frame.size(), 1));
    std::size_t from = 0;
    for (std::size_t part = 1; part <= parts; ++part) {
        const std::size_t to = frame.size() * part / parts;
        output.bursts.push_back(
            Burst{from == 0 ? std::chrono::milliseconds(0) : settings_.burstPause,
                  frame.substr(from, to - from)});
        from = to;
    }
    return output;
}

}  // namespace sim
