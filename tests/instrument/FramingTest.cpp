// Command frames, the receive state and the frame check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CommandFrame.h"
#include "FrameAssembler.h"
#include "FrameCheck.h"
#include "SimFraming.h"

using namespace instrument;

namespace {

// The frames the assembler completes from a run of characters, in order.
std::vector<std::string> Frames(TFrameAssembler& rx, const std::string& line) {
    std::vector<std::string> frames;
    for (const char c : line)
        if (rx.Feed(c)) frames.push_back(rx.RxBuffer);
    return frames;
}

// A reply frame without its carriage return, as the instrument sends it.
std::string Reply(const std::string& serial, char type, const std::string& payload) {
    std::string frame = sim::ReplyFrame(serial, type, payload);
    frame.pop_back();
    return frame;
}

}  // namespace

TEST(CommandFrameTest, SerialAndPayloadAreSummedButNotTheBang) {
    // 63 + 4 * 35 + 81 = 284, which is 0x1C modulo 256.
    EXPECT_EQ(FrameCommand("?####", "Q"), "!?####Q1C\r");
    // Only the first five characters of the serial field are sent.
    const std::string frame = FrameCommand("A1234XYZ", "2009C" + std::string(16, 'z'));
    EXPECT_EQ(frame.substr(0, 6), "!A1234");
    // The instrument's side, written apart from ours, accepts every frame we make.
    for (const std::string payload : {"Q", "E", "30010", "a8016", "D1A0C1F173B3B"}) {
        const std::string command = FrameCommand("A1234", payload);
        ASSERT_EQ(command.back(), '\r');
        std::string why;
        const auto parsed = sim::ParseCommand(command.substr(0, command.size() - 1), &why);
        ASSERT_TRUE(parsed) << payload << ": " << why;
        EXPECT_EQ(parsed->payload, payload);
    }
}

TEST(FrameCheckTest, TheReplyChecksumCoversThePayloadOnly) {
    const std::string good = Reply("A1234", '3', "0030" + std::string("EDCBA           "));
    EXPECT_TRUE(CheckFrame(good, "A1234"));
    // The same frame checksummed the way commands are (serial and payload) is refused.
    const std::string body = good.substr(0, good.size() - 2);
    const std::string commandStyle = FrameCommand(body.substr(1, 5), body.substr(6));
    EXPECT_FALSE(CheckFrame(":" + commandStyle.substr(1, commandStyle.size() - 2), "A1234"));
    // Serial number and letter case count; the checksum must be upper case.
    EXPECT_FALSE(CheckFrame(good, "a1234"));
    EXPECT_FALSE(CheckFrame(Reply("A1235", '3', "0030EDCBA"), "A1234"));
    const std::string lower = Reply("A1234", 'E', "1A0C1F173C");  // sum 0x3A
    std::string lowered = lower;
    for (std::size_t i = lowered.size() - 2; i < lowered.size(); ++i)
        lowered[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(lowered[i])));
    ASSERT_NE(lowered, lower) << "the checksum of this example must hold a letter";
    EXPECT_TRUE(CheckFrame(lower, "A1234"));
    EXPECT_FALSE(CheckFrame(lowered, "A1234"));
    EXPECT_FALSE(CheckFrame("A1234" + good.substr(1), "A1234"));
}

TEST(FrameCheckTest, AFrameOfFewerThanTenCharactersIsValidOnlyWithZeroes) {
    EXPECT_TRUE(CheckFrame(":A1234Q00", "A1234"));
    EXPECT_FALSE(CheckFrame(":A1234Q01", "A1234"));
    EXPECT_FALSE(CheckFrame(":A1234X58", "A1234"));   // 9 characters: no payload, sum 0
    EXPECT_TRUE(CheckFrame(":A1234QX58", "A1234"));   // 10: "X" is the payload, 0x58
    EXPECT_FALSE(CheckFrame(":A1234QX00", "A1234"));
    EXPECT_FALSE(CheckFrame(":A12", "A1234"));
    EXPECT_FALSE(CheckFrame("", "A1234"));
}

TEST(FrameAssemblerTest, CollectsAFrameAcrossPiecesAndDropsWhatLiesOutside) {
    TFrameAssembler rx;
    // Noise before the ":" is dropped; the frame may come in several pieces.
    EXPECT_TRUE(Frames(rx, "xx\n:A12").empty());
    EXPECT_TRUE(rx.FrameStarted);
    EXPECT_EQ(Frames(rx, "34Q0000"), std::vector<std::string>{});
    EXPECT_EQ(Frames(rx, "\r"), std::vector<std::string>{":A1234Q0000"});
    // The frame stays until the next character outside a frame: the line feed empties it.
    EXPECT_FALSE(rx.FrameStarted);
    EXPECT_EQ(rx.RxBuffer, ":A1234Q0000");
    EXPECT_TRUE(Frames(rx, "\n").empty());
    EXPECT_EQ(rx.RxBuffer, "");
    // A carriage return outside a frame completes nothing.
    EXPECT_TRUE(Frames(rx, "\r\r").empty());
}

TEST(FrameAssemblerTest, AnUnendedFrameIsCutAt33CharactersAndHandledOnce) {
    TFrameAssembler rx;
    const std::string stored = ":" + std::string(32, 'x');
    EXPECT_TRUE(Frames(rx, stored).empty());
    // The 34th character completes the frame and is lost.
    EXPECT_EQ(Frames(rx, "Y"), std::vector<std::string>{stored});
    EXPECT_EQ(rx.RxBuffer, stored);
    // Further characters of the line do not hand the same frame over again.
    EXPECT_TRUE(Frames(rx, "zzz\r\n").empty());
    EXPECT_EQ(rx.RxBuffer, "");
}

TEST(FrameAssemblerTest, TwoRepliesWithoutALineFeedBetweenThemAreTwoFrames) {
    TFrameAssembler rx;
    EXPECT_EQ(Frames(rx, ":A1234Q00\r:A1234E00\r"),
              (std::vector<std::string>{":A1234Q00", ":A1234E00"}));
    // A new command forgets a frame half collected.
    Frames(rx, ":A12");
    rx.Clear();
    EXPECT_EQ(rx.RxBuffer, "");
    EXPECT_FALSE(rx.FrameStarted);
    EXPECT_TRUE(Frames(rx, "34\r").empty());
}
