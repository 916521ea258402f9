// The instrument engine against frames worked out by hand: command checksums over serial and
// payload, reply checksums over the payload only.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "ESimError.h"
#include "InstrumentEngine.h"

using namespace sim;
using namespace std::chrono;

namespace {

// 7 Dec 2026 22:30:15 on the computer, fixed unless a test moves it. Time passing moves both
// the computer's clock and the running time; a change of the computer's clock moves only it.
struct FakeHost {
    local_seconds now = local_days{year{2026} / 12 / 7} + hours{22} + minutes{30} + seconds{15};
    steady_clock::time_point running{};
    void Pass(seconds time) {
        now += time;
        running += time;
    }
};

class InstrumentEngineTest : public ::testing::Test {
protected:
    FakeHost host;
    InstrumentEngine engine{InstrumentIdentity{}, InstrumentClock([this] { return host.now; },
                                                                  [this] { return host.running; })};
    std::vector<std::string> notes;

    void SetUp() override {
        engine.OnNote = [this](const std::string& note) { notes.push_back(note); };
    }

    std::string Ask(const std::string& bytes) {
        std::string all;
        for (const auto& reply : engine.Feed(bytes)) all += reply;
        return all;
    }
};

}  // namespace

TEST_F(InstrumentEngineTest, SerialQueryCarriesThePlaceholderAndTheRealSerial) {
    EXPECT_EQ(Ask("!?####Q1C\r"), ":?####QA12340B\r");
    // Asked with its own serial number, the frame carries that instead.
    EXPECT_EQ(Ask("!A1234Q5C\r"), ":A1234QA12340B\r");
}

TEST_F(InstrumentEngineTest, ClockShowsHostTimeUntilSetThenRunsOnFromTheSetting) {
    EXPECT_EQ(Ask("!A1234E50\r"), ":A1234E1A0C07161E0F9F\r");
    // Set to 1 Feb 2025 03:04:05; the reply to "D" carries the new clock reading.
    // Digits "190201030405" sum to 601: command 267 + 'D' + 601 = 936 -> A8, reply 601 -> 59.
    EXPECT_EQ(Ask("!A1234D190201030405A8\r"), ":A1234D19020103040559\r");
    host.Pass(minutes{2});
    EXPECT_EQ(Ask("!A1234E50\r"), ":A1234E1902010306055B\r");
    EXPECT_EQ(engine.Clock().Now(), (CalendarTime{2025, 2, 1, 3, 6, 5}));
    // The computer goes to summer time: the instrument's own clock does not follow.
    host.now += hours{1};
    EXPECT_EQ(engine.Clock().Now(), (CalendarTime{2025, 2, 1, 3, 6, 5}));
}

TEST_F(InstrumentEngineTest, ReadsWritesAndEchoesRegisters) {
    // The calibration date sits reversed in register 16: a 30-byte reply.
    const std::string calibration = ":A123430010     7202-raM-130A\r";
    EXPECT_EQ(Ask("!A123430010FF\r"), calibration);
    EXPECT_EQ(calibration.size(), 30u);

    EXPECT_EQ(Ask("!A1234200FFABCDEFGHIJKLMNOPB1\r"), ":A1234200FFABCDEFGHIJKLMNOP74\r");
    EXPECT_EQ(engine.Register(255), "ABCDEFGHIJKLMNOP");
    // sum "A1234" + "300FF" = 267 + 287 = 554 -> 0x2A
    EXPECT_EQ(Ask("!A1234300FF2A\r"), ":A1234300FFABCDEFGHIJKLMNOP74\r");

    // The instrument's own registers keep their content; the echo says what they hold.
    // "!A1234" "20010" + "XXXXXXXXXXXXXXXX": 267 + 50+48+48+49+48 + 16*88 = 1918 -> 0x7E
    EXPECT_EQ(Ask("!A123420010XXXXXXXXXXXXXXXX7E\r"), ":A123420010     7202-raM-130A\r");
}

TEST_F(InstrumentEngineTest, AnswersTheTwoInfoItems) {
    EXPECT_EQ(Ask("!A1234a800539\r"), ":A1234a8005V2.31 2026-11-02EF\r");
    EXPECT_EQ(Ask("!A1234a80163B\r"), ":A1234a8016iBrake tester 2B68\r");
}

TEST_F(InstrumentEngineTest, BadFramesGetNoReply) {
    const char* const refused[] = {
        "!?####Q1D\r",  // wrong checksum
        "!?####Q1c\r",  // checksum digits in lower case
        "!a1234E70\r",  // serial in the wrong case: sum 299 + 69 = 368 -> 0x70
        "!B9999E",          // unterminated: dropped when the next frame starts
        "!?####E3E\r",      // the placeholder with a command other than "Q"
        "!A123430100F0\r",  // register 256 does not exist: 267 + 51+48+49+48+48 = 511 -> 0x1FF
        "!A1234D190D01030405A2\r",  // month 13
        "!A1234a800638\r",          // info item 6 does not exist
        "!A1234\r",                 // too short
    };
    for (const char* frame : refused) {
        SCOPED_TRACE(frame);
        EXPECT_EQ(Ask(frame), "");
    }
    EXPECT_GE(notes.size(), 8u);
    // The engine is not left confused: the next good frame is answered.
    EXPECT_EQ(Ask("!?####Q1C\r"), ":?####QA12340B\r");
}

TEST_F(InstrumentEngineTest, AssemblesFramesFromPiecesAndSkipsNoiseAndBrokenStarts) {
    std::string replies;
    for (const char c : std::string("\n\x7f junk!?####!?####Q1C\r\n!A1234E50\r"))
        replies += Ask(std::string(1, c));
    EXPECT_EQ(replies, ":?####QA12340B\r:A1234E1A0C07161E0F9F\r");
    EXPECT_FALSE(engine.InsideFrame());
    Ask("!A12");
    EXPECT_TRUE(engine.InsideFrame());
}

// The Bluetooth tab: an address travels as 13 characters behind "000", reversed; a friendly
// name like any list entry. Frames worked out by hand.
TEST_F(InstrumentEngineTest, BluetoothAddressesAndNamesTravelInTheirOwnForms) {
    // Address entry 0 written as "AABBCCDDEEFF": 13 wide, "000" in front, reversed.
    // 267 + "20028" 248 + " FFEEDDCCBBAA000" 966 = 1481 -> E1; reply 248 - 50 + 966 -> A4.
    EXPECT_EQ(Ask("!A123420028 FFEEDDCCBBAA000E1\r"), ":A123420028 FFEEDDCCBBAA000A4\r");
    EXPECT_EQ(engine.Register(40), " FFEEDDCCBBAA000");
    EXPECT_EQ(Ask("!A12343002808\r"), ":A123430028 FFEEDDCCBBAA000A4\r");

    // The last address and the last friendly name as a new instrument holds them; the program
    // reads the Bluetooth tab from register 226 down.
    EXPECT_EQ(Ask("!A12343002F16\r"), ":A12343002F 0027ADD7A10000023\r");
    EXPECT_EQ(Ask("!A1234300E215\r"), ":A1234300E2       tinu naoL21\r");
}

namespace {

// The program's side, written out separately: its command frame and its check of a reply.
std::string ProgramFrame(const std::string& serial, const std::string& payload) {
    unsigned sum = 0;
    for (const char c : serial + payload) sum += static_cast<unsigned char>(c);
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", sum % 256);
    return "!" + serial + payload + digits + "\r";
}

bool ProgramAccepts(const std::string& reply, const std::string& serial) {
    if (reply.size() < 10 || reply.front() != ':' || reply.back() != '\r') return false;
    const std::string frame = reply.substr(0, reply.size() - 1);
    unsigned sum = 0;
    for (std::size_t i = 7; i + 2 < frame.size(); ++i) sum += static_cast<unsigned char>(frame[i]);
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", sum % 256);
    return frame.substr(1, 5) == serial && frame.substr(frame.size() - 2) == digits;
}

std::string Hex4(int value) {
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04X", value);
    return digits;
}

}  // namespace

// Every register the program's list transfers touch, from the first address to the company
// name, two trailers beyond the 70 it transfers included: each read and each write is answered
// with a frame the program accepts, carrying the register it asked for and 16 characters.
TEST_F(InstrumentEngineTest, AnswersEveryReadAndWriteOfTheProgramsListTransfers) {
    for (int reg = 40; reg <= 255; ++reg) {
        SCOPED_TRACE(reg);
        const std::string read = Ask(ProgramFrame("A1234", "3" + Hex4(reg)));
        ASSERT_TRUE(ProgramAccepts(read, "A1234")) << read;
        EXPECT_EQ(read.substr(6, 5), "3" + Hex4(reg));
        EXPECT_EQ(read.size(), 30u);

        std::string text = "Entry " + std::to_string(reg);
        text.resize(16, ' ');
        const std::string stored(text.rbegin(), text.rend());
        const std::string echo = Ask(ProgramFrame("A1234", "2" + Hex4(reg) + stored));
        ASSERT_TRUE(ProgramAccepts(echo, "A1234")) << echo;
        EXPECT_EQ(echo.substr(6, 21), "2" + Hex4(reg) + stored);
    }
}

TEST_F(InstrumentEngineTest, RefusesRegistersOfAnotherWidth) {
    Registers registers = engine.AllRegisters();
    registers[255] = "Too short";
    EXPECT_THROW(engine.SetRegisters(registers), ESimError);
    EXPECT_EQ(Ask("!A1234300FF2A\r"), ":A1234300FF teelF etaghtroNC8\r");
}
