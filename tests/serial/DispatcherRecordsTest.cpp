#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "DispatcherFixture.h"
#include "TempDir.h"

namespace {

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

using DispatcherRecords = DispatcherFixture;

TEST_F(DispatcherRecords, TraceHoldsBytesTakenAndQueuedInOrder) {
    TempDir dir;
    const std::string path = dir.Path() + "/SERIAL.TRC";
    port.SetAvailThreshold(1);
    ASSERT_EQ(port.TraceOpen(100), 0);
    EXPECT_TRUE(port.Tracing());
    ASSERT_EQ(port.SendBlock("AT\r", 3), 0);
    onMessage = [&](const TSioMessage& m) { ReadAll(static_cast<std::uint32_t>(m.WParam)); };
    Arrive("OK\r");
    ASSERT_EQ(port.TraceWrite(path, false, true, false), 0);
    EXPECT_FALSE(port.TraceExists());
    EXPECT_EQ(FileText(path), "Transmit: \r\nAT[0D]\r\n\r\nReceive: \r\nOK[0D]");
}

TEST_F(DispatcherRecords, LogHoldsReadsWritesTriggersAndHandlers) {
    TempDir dir;
    const std::string path = dir.Path() + "/SERIAL.LOG";
    port.SetDeviceName("COM3");
    ASSERT_EQ(port.LogOpen(10000), 0);
    port.SetAvailThreshold(1);
    clock.Advance(1234);
    ASSERT_EQ(port.SendBlock("ATH\rx", 5), 0);
    onMessage = [&](const TSioMessage& m) { ReadAll(static_cast<std::uint32_t>(m.WParam)); };
    Arrive("OK");
    const std::int32_t status = port.NewStatusTrigger(sio::StatusOutSent);
    ASSERT_EQ(port.DropTrigger(status), 0);
    port.DetachWindow(&loop);
    ASSERT_EQ(port.LogWrite(path, false, true, false), 0);
    EXPECT_FALSE(port.LogExists());
    const std::string text = FileText(path);
    EXPECT_NE(text.find("Device: COM3\r\n"), std::string::npos);
    EXPECT_NE(text.find("0001.234  Dispatch  WriteCom      00000005  ATH[0D]x\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("0001.234  Dispatch  ReadCom       00000002  OK\r\n"), std::string::npos);
    EXPECT_NE(text.find("0001.234  Trigger   Avail         00000002  \r\n"), std::string::npos);
    EXPECT_NE(text.find("TrgHdDsp  Window"), std::string::npos);
    EXPECT_NE(text.find("TrigAllc  Status        0000000D  (Output sent)"), std::string::npos);
    EXPECT_NE(text.find("TrigDisp  Status        0000000D  (Output sent)"), std::string::npos);
}

}  // namespace
