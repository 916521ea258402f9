// The dongle in front of the instrument, driven with made-up times: AT commands in command mode,
// inquiry results over time, pass-through after "ATD" until "+++".
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "DongleEngine.h"
#include "InstrumentPeer.h"

using namespace sim;
using namespace std::chrono;

namespace {

class DongleEngineTest : public ::testing::Test {
protected:
    InstrumentEngine engine;
    FaultInjector faults;
    InstrumentPeer instrument{engine, faults};
    DongleEngine dongle{instrument};
    SimPeer::TimePoint t0 = SimPeer::TimePoint{} + hours{1};

    std::string Send(const std::string& bytes, milliseconds at = {}) {
        std::string all;
        for (const auto& output : dongle.Receive(bytes, t0 + at)) all += output.Bytes();
        return all;
    }
    std::string DueAt(milliseconds at) {
        std::string all;
        for (const auto& output : dongle.Due(t0 + at)) all += output.Bytes();
        return all;
    }
};

}  // namespace

TEST_F(DongleEngineTest, AnswersTheSearchCommandsAndReportsDevicesOverTime) {
    EXPECT_EQ(Send("+++"), "OK\r\n");
    EXPECT_EQ(Send("AT+BTCANCEL\r"), "OK\r\n");
    EXPECT_EQ(Send("ATH\r"), "OK\r\n");
    EXPECT_EQ(Send("AT+FOO\r"), "ERROR\r\n");
    EXPECT_EQ(Send("AT+BTINQ?\r"), "OK\r\n");

    ASSERT_TRUE(dongle.NextDue().has_value());
    EXPECT_EQ(*dongle.NextDue(), t0 + milliseconds(800));
    EXPECT_EQ(DueAt(milliseconds(799)), "");
    const std::string first = DueAt(milliseconds(800));
    EXPECT_EQ(first, "00126F3A41C2,Tester A1234\r\n");
    // A result line is longer than 20 characters: address, one separator, friendly name.
    EXPECT_GT(first.size() - 2, 20u);
    EXPECT_EQ(DueAt(milliseconds(1699)), "");
    EXPECT_EQ(DueAt(milliseconds(1700)), "5C313E0B9A42,Yard tablet\r\n");

    // Cancelling the inquiry drops the results still to come.
    EXPECT_EQ(Send("AT+BTCANCEL\r", milliseconds(1800)), "OK\r\n");
    EXPECT_FALSE(dongle.NextDue().has_value());
    EXPECT_EQ(DueAt(seconds(10)), "");
}

TEST_F(DongleEngineTest, ConnectsThroughToTheInstrumentUntilEscaped) {
    EXPECT_EQ(Send("!?####Q1C\r"), "ERROR\r\n");  // command mode: not for the instrument
    EXPECT_EQ(Send("ATD\r"), "CONNECT\r\n");
    EXPECT_TRUE(dongle.InDataMode());
    EXPECT_EQ(Send("!?####Q1C\r"), ":?####QA12340B\r");

    // "+++" inside a register text is data. Frame: write "C++ +++ Ltd     " reversed to 255.
    const std::string text = "     dtL +++ ++C";
    unsigned sum = 0;
    for (const char c : std::string("A12342") + "00FF" + text) sum += static_cast<unsigned char>(c);
    char checksum[3];
    std::snprintf(checksum, sizeof checksum, "%02X", sum & 0xFF);
    const std::string echo = Send("!A1234200FF" + text + checksum + "\r");
    EXPECT_EQ(echo.substr(0, 11), ":A1234200FF");
    EXPECT_EQ(engine.Register(255), text);
    EXPECT_TRUE(dongle.InDataMode());

    // After a complete command, "+++" returns to command mode; the link stays up until "ATH".
    EXPECT_EQ(Send("+++"), "OK\r\n");
    EXPECT_FALSE(dongle.InDataMode());
    EXPECT_TRUE(dongle.Connected());
    EXPECT_EQ(Send("ATH\r"), "OK\r\n");
    EXPECT_FALSE(dongle.Connected());

    // A frame broken off in the middle: after a second of silence "+++" escapes all the same.
    EXPECT_EQ(Send("ATD\r"), "CONNECT\r\n");
    EXPECT_EQ(Send("!A12", milliseconds(100)), "");
    EXPECT_EQ(Send("+++", milliseconds(900)), "");
    EXPECT_TRUE(dongle.InDataMode());
    EXPECT_EQ(Send("+++", milliseconds(2000)), "OK\r\n");
    EXPECT_FALSE(dongle.InDataMode());
}
