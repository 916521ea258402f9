#include "InstrumentEngine.h"

#include "ESimError.h"

namespace sim {

namespace {

constexpr unsigned kInfoFlag = 0x8000;
constexpr unsigned kInfoSoftwareVersion = 5;
constexpr unsigned kInfoType = 22;

}  // namespace

InstrumentEngine::InstrumentEngine(InstrumentIdentity identity, InstrumentClock clock)
    : identity_(std::move(identity)), clock_(std::move(clock)), registers_(DefaultRegisters()) {
    identity_.serial = Fitted(identity_.serial, kSerialLength);
}

const std::string& InstrumentEngine::Register(int index) const {
    return registers_.at(static_cast<std::size_t>(index));
}

void InstrumentEngine::SetRegisters(const Registers& registers) {
    // A register of another width would go out as a reply of the wrong length.
    for (std::size_t i = 0; i < registers.size(); ++i)
        if (registers[i].size() != kRegisterWidth)
            throw ESimError("Register " + std::to_string(i) + " must hold 16 characters, not " +
                            std::to_string(registers[i].size()));
    registers_ = registers;
}

std::vector<std::string> InstrumentEngine::Feed(std::string_view bytes) {
    std::vector<std::string> replies;
    for (const char c : bytes) {
        if (c == '!') {
            // A new command starts here, whatever came before it.
            if (collecting_) OnNote("incomplete frame dropped: " + ShowBytes(frame_));
            frame_ = "!";
            collecting_ = true;
        } else if (!collecting_) {
            // Line noise between commands.
        } else if (c == kCarriageReturn) {
            Complete(replies);
        } else if (frame_.size() >= kMaxFrame) {
            OnNote("frame too long, dropped: " + ShowBytes(frame_));
            collecting_ = false;
            frame_.clear();
        } else {
            frame_ += c;
        }
    }
    return replies;
}

void InstrumentEngine::Complete(std::vector<std::string>& replies) {
    collecting_ = false;
    std::string why;
    const auto command = ParseCommand(frame_, &why);
    std::string reply = command ? Execute(*command) : Refuse(why);
    frame_.clear();
    if (!reply.empty()) replies.push_back(std::move(reply));
}

std::string InstrumentEngine::Refuse(const std::string& why) {
    OnNote("no reply: " + why);
    return {};
}

std::string InstrumentEngine::Execute(const Command& command) {
    const std::string_view serial = command.serial;
    const std::string_view payload = command.payload;
    if (payload == "Q" && (serial == kPlaceholderSerial || serial == identity_.serial))
        return ReplyFrame(serial, 'Q', identity_.serial);
    if (serial != identity_.serial)
        return Refuse("serial " + ShowBytes(serial) + " is not " + identity_.serial);

    switch (payload.front()) {
        case 'E':
            if (payload.size() == 1) return ReplyFrame(serial, 'E', ClockPayload());
            break;
        case 'D':
            if (payload.size() == 13) return SetClock(serial, payload.substr(1));
            break;
        case '3':
            if (payload.size() == 5) return ReadRegister(serial, payload.substr(1));
            break;
        case '2':
            if (payload.size() == 5 + kRegisterWidth)
                return WriteRegister(serial, payload.substr(1));
            break;
        case 'a':
            if (payload.size() == 5) return ReadInfo(serial, payload.substr(1));
            break;
        default:
            break;
    }
    return Refuse("unknown command " + ShowBytes(payload));
}

std::string InstrumentEngine::SetClock(std::string_view serial, std::string_view digits) {
    int fields[6] = {};
    for (int i = 0; i < 6; ++i) {
        const auto value = ParseUpperHex(digits.substr(static_cast<std::size_t>(2 * i), 2));
        if (!value) return Refuse("clock digits " + ShowBytes(digits) + " are not hexadecimal");
        fields[i] = static_cast<int>(*value);
    }
    const CalendarTime time{2000 + fields[0], fields[1], fields[2],
                            fields[3],        fields[4], fields[5]};
    if (!clock_.Set(time))
        return Refuse("clock setting " + ShowBytes(digits) + " is no valid time");
    return ReplyFrame(serial, 'D', ClockPayload());
}

std::string InstrumentEngine::ClockPayload() const {
    const CalendarTime now = clock_.Now();
    std::string payload;
    for (const int field : {now.year - 2000, now.month, now.day, now.hour, now.minute, now.second})
        payload += UpperHex(static_cast<unsigned>(field) & 0xFFu, 2);
    return payload;
}

std::string InstrumentEngine::ReadRegister(std::string_view serial, std::string_view payload) {
    const auto index = ParseUpperHex(payload);
    if (!index || *index >= kRegisterCount) return Refuse("no register " + ShowBytes(payload));
    return ReplyFrame(serial, '3', std::string(payload) + registers_[*index]);
}

std::string InstrumentEngine::WriteRegister(std::string_view serial, std::string_view payload) {
    const std::string_view number = payload.substr(0, 4);
    const auto index = ParseUpperHex(number);
    if (!index || *index >= kRegisterCount) return Refuse("no register " + ShowBytes(number));
    if (*index < kFirstWritableRegister) {
        // The instrument's own registers: the echo tells what it still holds.
        OnNote("register " + std::to_string(*index) + " is read-only");
    } else {
        registers_[*index] = std::string(payload.substr(4));
        OnRegisterWritten(static_cast<int>(*index));
    }
    return ReplyFrame(serial, '2', std::string(number) + registers_[*index]);
}

std::string InstrumentEngine::ReadInfo(std::string_view serial, std::string_view code) {
    const auto value = ParseUpperHex(code);
    if (value == (kInfoFlag | kInfoSoftwareVersion))
        return ReplyFrame(serial, 'a', std::string(code) + Fitted(identity_.softwareVersion, 16));
    if (value == (kInfoFlag | kInfoType))
        return ReplyFrame(serial, 'a', std::string(code) + "i" + Fitted(identity_.type, 15));
    return Refuse("no info item " + ShowBytes(code));
}

}  // namespace sim
