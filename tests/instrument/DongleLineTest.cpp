// The dongle's lines: inquiry results, status lines and the acknowledgement rule.
#include <gtest/gtest.h>

#include <vector>

#include "DongleLine.h"

namespace {

// Feeds a run of characters the way the window does, the last line remembered between lines;
// returns the lines ended.
std::vector<TDongleLineCollector::Line> Lines(TDongleLineCollector& collector,
                                              std::string& previous, const std::string& text) {
    std::vector<TDongleLineCollector::Line> lines;
    for (const char c : text) {
        TDongleLineCollector::Line line = collector.Feed(c, previous);
        if (!line.Ended) continue;
        previous = line.Text;
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace

TEST(DongleLineTest, TwentyCharactersAreAStatusLineAndTwentyOneAnInquiryResult) {
    TDongleLineCollector collector;
    std::string previous;
    const auto lines =
        Lines(collector, previous, "\r\n12345678901234567890\r\n00126F3A41C2,Tester A\r\n"
                                   "5C313E0B9A42,A friendly name that is long\r\n");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].Text, "");
    EXPECT_FALSE(lines[1].InquiryResult);
    EXPECT_EQ(lines[1].Text, "12345678901234567890");
    EXPECT_TRUE(lines[2].InquiryResult);
    EXPECT_EQ(lines[2].Address, "00126F3A41C2");
    EXPECT_EQ(lines[2].FriendlyName, "Tester A");
    EXPECT_EQ(lines[3].Address, "5C313E0B9A42");
    EXPECT_EQ(lines[3].FriendlyName, "A friendly name th");  // characters 14 - 31
    EXPECT_EQ(collector.DongleLine, "");
}

TEST(DongleLineTest, ControlCharactersAreNotStoredButCode21Is) {
    TDongleLineCollector collector;
    std::string previous;
    const auto lines = Lines(collector, previous, std::string("O\x01\x14K\n\x15\x7F\xE9\r", 9));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Text, "OK\x15\x7F\xE9");
}

TEST(DongleLineTest, AnOkOrErrorFollowedByAnotherLineMeansTheDongleAnswered) {
    TDongleLineCollector collector;
    std::string previous;
    auto lines = Lines(collector, previous, "\r\nOK\r\nREADY\r\n");
    ASSERT_EQ(lines.size(), 3u);  // a line feed ends no line
    EXPECT_FALSE(lines[1].Acknowledged);
    EXPECT_TRUE(lines[2].Acknowledged);

    previous.clear();  // a new command was sent
    lines = Lines(collector, previous, "\r\nOK\r\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_FALSE(lines[1].Acknowledged);

    previous.clear();
    lines = Lines(collector, previous, "ERROR\rNO CARRIER\r");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[1].Acknowledged);
    previous.clear();
    lines = Lines(collector, previous, "OKAY\rERRORS\r\r");
    EXPECT_FALSE(lines[1].Acknowledged);
    EXPECT_FALSE(lines[2].Acknowledged);
    // An inquiry result after "OK" is listed, not taken as the answer.
    previous = "OK";
    lines = Lines(collector, previous, "00126F3A41C2,Tester A\r");
    EXPECT_TRUE(lines[0].InquiryResult);
    EXPECT_FALSE(lines[0].Acknowledged);
}

TEST(DongleLineTest, ALineThatNeverEndsStaysBounded) {
    TDongleLineCollector collector;
    std::string previous;
    for (int i = 0; i < 100000; ++i) collector.Feed('x', previous);
    EXPECT_EQ(collector.DongleLine.size(), TDongleLineCollector::kLongestLine);
    const auto lines = Lines(collector, previous, "\r");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].InquiryResult);
    EXPECT_EQ(lines[0].FriendlyName, std::string(18, 'x'));
}
