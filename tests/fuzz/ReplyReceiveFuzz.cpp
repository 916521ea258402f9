// The reply receive state as the window's data event drives it: any bytes, in any chunking,
// with the placeholder serial, a fixed one or whatever the replies make it, through the frame
// assembler, the frame check, the dispatch by reply type and every reply decoder.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "CommandFrame.h"
#include "FrameAssembler.h"
#include "FrameCheck.h"
#include "FuzzCheck.h"
#include "FuzzLists.h"
#include "RegisterMap.h"
#include "Replies.h"
#include "SimFraming.h"

using namespace instrument;

namespace {

struct Conversation {
    TFrameAssembler rx;
    std::string serial;
    bool serialFromReplies = false;
    FuzzLists lists;
};

void CheckTime(std::string_view frame) {
    const InstrumentTime time = TimeOfReply(frame);
    for (const int field : {time.year - 2000, time.month, time.day, time.hour, time.minute})
        FUZZ_CHECK(field >= 0 && field <= 0xFF);
    if (time.IsValid())
        FUZZ_CHECK(time.month >= 1 && time.month <= 12 && time.day >= 1 && time.day <= 31 &&
                   time.hour <= 23 && time.minute <= 59);
}

void HandleRegister(Conversation& talk, std::string_view frame) {
    const RegisterReply reply = RegisterOfReply(frame);
    FUZZ_CHECK(reply.Data.size() <= kRegisterWidth);
    const auto entry = EntryOfRegister(reply.Register);
    if (!entry) {
        FUZZ_CHECK(reply.Register < 40 || reply.Register > 255);
        return;
    }
    FUZZ_CHECK(entry->List >= 0 && entry->List < lists::kListCount);
    FUZZ_CHECK(entry->Entry >= 0 && entry->Entry < TCorruptBits::kEntriesPerList);
    const bool address = IsAddressRegister(reply.Register);
    FUZZ_CHECK(address == (entry->List == kAddressList));
    const std::string text = address ? DecodeAddress(reply.Data) : DecodeEntry(reply.Data);
    FUZZ_CHECK(text.size() <= (address ? kAddressWidth : kRegisterWidth));
    talk.lists.Store(entry->List, entry->Entry, text);
}

void HandleInfo(std::string_view frame) {
    const InfoReply reply = InfoOfReply(frame);
    FUZZ_CHECK(SoftwareVersionCaption(reply).size() <= 16);
    const std::string type = InstrumentTypeCaption(reply);
    FUZZ_CHECK(type.size() <= 15 || type == std::string(12, '_'));
}

// A completed frame: what the check accepts re-frames to the same bytes, and each decoder
// stays inside the frame and the lists.
void HandleFrame(Conversation& talk) {
    const std::string& frame = talk.rx.RxBuffer;
    FUZZ_CHECK(!frame.empty() && frame.size() <= TFrameAssembler::kLongestFrame);
    FUZZ_CHECK(frame[0] == ':' && frame.find('\r') == std::string::npos);
    if (!CheckFrame(frame, talk.serial)) return;
    FUZZ_CHECK(frame.substr(1, 5) == talk.serial);
    if (frame.size() >= 9) {
        const std::string payload = frame.substr(7, frame.size() - 9);
        FUZZ_CHECK(sim::ReplyFrame(talk.serial, frame[6], payload) == frame + '\r');
    } else {
        // Too short for a type and a checksum of its own: only the empty sum "00" passes.
        FUZZ_CHECK(frame.size() >= 3 && frame.substr(frame.size() - 2) == "00");
    }
    switch (ReplyType(frame)) {
        case 'Q': {
            const std::string serial = SerialOfReply(frame);
            FUZZ_CHECK(serial.size() <= kSerialLength);
            if (talk.serialFromReplies) talk.serial = serial;
            break;
        }
        case 'E':
        case 'D':
            CheckTime(frame);
            break;
        case '3':
        case '2':
            HandleRegister(talk, frame);
            break;
        case 'a':
            HandleInfo(frame);
            break;
        default:
            break;
    }
}

void Feed(Conversation& talk, char c) {
    const bool complete = talk.rx.Feed(c);
    FUZZ_CHECK(talk.rx.RxBuffer.size() <= TFrameAssembler::kLongestFrame);
    if (complete) HandleFrame(talk);
}

// A new command goes out: the receive state starts afresh, and the instrument's own side takes
// the framed command back apart into the same serial number and payload.
void SendCommand(Conversation& talk, const std::string& payload) {
    talk.rx.Clear();
    const std::string command = FrameCommand(talk.serial, payload);
    FUZZ_CHECK(command.front() == '!' && command.back() == '\r');
    if (talk.serial.size() != kSerialLength || payload.empty()) return;
    const auto parsed = sim::ParseCommand(std::string_view(command).substr(0, command.size() - 1));
    FUZZ_CHECK(parsed && parsed->serial == talk.serial && parsed->payload == payload);
}

// A well-formed reply right after a command is assembled whole and accepted.
void ReplyWellFormed(Conversation& talk, FuzzedDataProvider& data) {
    if (talk.serial.size() != kSerialLength || talk.serial.find('\r') != std::string::npos) return;
    SendCommand(talk, "E");
    const char type = data.PickValueInArray({'Q', 'E', 'D', '3', '2', 'a', 'x'});
    std::string payload = data.ConsumeRandomLengthString(24);
    for (char& c : payload)
        if (c == '\r') c = ' ';
    const std::string frame = sim::ReplyFrame(talk.serial, type, payload);
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) FUZZ_CHECK(!talk.rx.Feed(frame[i]));
    FUZZ_CHECK(talk.rx.Feed('\r'));
    FUZZ_CHECK(talk.rx.RxBuffer + '\r' == frame && CheckFrame(talk.rx.RxBuffer, talk.serial));
    HandleFrame(talk);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    Conversation talk;
    switch (data.ConsumeIntegralInRange(0, 2)) {
        case 0:
            talk.serial = std::string(kPlaceholderSerial);
            talk.serialFromReplies = true;
            break;
        case 1:
            talk.serial = "A1234";
            break;
        default:
            talk.serial = data.ConsumeBytesAsString(5);
            break;
    }
    while (data.remaining_bytes() > 0) {
        switch (data.ConsumeIntegralInRange(0, 7)) {
            case 0:
                SendCommand(talk, data.ConsumeRandomLengthString(24));
                break;
            case 1:
                ReplyWellFormed(talk, data);
                break;
            default:
                // One data event: a chunk of the line, read character by character.
                for (const char c : data.ConsumeRandomLengthString(80)) Feed(talk, c);
                break;
        }
    }
    return 0;
}
