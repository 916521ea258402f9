#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Event.h"
#include "InstrumentClock.h"
#include "RegisterMap.h"
#include "SimFraming.h"

namespace sim {

struct InstrumentIdentity {
    std::string serial = "A1234";                      // 5 characters
    std::string softwareVersion = "V2.31 2026-11-02";  // info item 5, 16 characters
    std::string type = "Brake tester 2B";              // info item 22 after its "i", 15 characters
};

// The instrument without any transport: bytes in, reply frames out. It answers a command frame
// that has a correct checksum and is addressed to it (its own serial number, or the placeholder
// "?####" for the serial-number query); everything else gets no reply, as on the real device.
class InstrumentEngine {
public:
    explicit InstrumentEngine(InstrumentIdentity identity = {},
                              InstrumentClock clock = InstrumentClock());

    // Takes received bytes in any pieces; returns the reply to each command completed by them.
    std::vector<std::string> Feed(std::string_view bytes);

    // True between the "!" of a command and its carriage return.
    bool InsideFrame() const { return collecting_; }

    const InstrumentIdentity& Identity() const { return identity_; }
    const Registers& AllRegisters() const { return registers_; }
    const std::string& Register(int index) const;
    // Every register holds exactly 16 characters; raises ESimError otherwise, changing nothing.
    void SetRegisters(const Registers& registers);
    const InstrumentClock& Clock() const { return clock_; }

    // Why a frame got no reply, for the conversation log.
    Event<const std::string&> OnNote;
    // A list register has been written (its number).
    Event<int> OnRegisterWritten;

private:
    static constexpr std::size_t kMaxFrame = 64;

    void Complete(std::vector<std::string>& replies);
    std::string Execute(const Command& command);
    std::string SetClock(std::string_view serial, std::string_view digits);
    std::string ReadRegister(std::string_view serial, std::string_view payload);
    std::string WriteRegister(std::string_view serial, std::string_view payload);
    std::string ReadInfo(std::string_view serial, std::string_view code);
    std::string ClockPayload() const;
    std::string Refuse(const std::string& why);

    InstrumentIdentity identity_;
    InstrumentClock clock_;
    Registers registers_;
    std::string frame_;
    bool collecting_ = false;
};

}  // namespace sim
