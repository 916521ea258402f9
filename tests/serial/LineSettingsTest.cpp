#include <gtest/gtest.h>

#include "FakeSerialDevice.h"
#include "SioErrorCodes.h"

using namespace sio;

namespace {

struct LineSettings : ::testing::Test {
    void SetUp() override { ASSERT_EQ(port.OpenDefault(4096, 4096), 0); }
    TFakeClock clock;
    TFakeSerialDevice port{&clock};
};

TEST_F(LineSettings, OpenWritesTheSettingsAndDrivesTheLines) {
    const TSioDcb dcb = port.DeviceBlock();
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NoParity);
    EXPECT_EQ(dcb.StopBits, OneStopBit);
    EXPECT_EQ(dcb.Flags & dcbBinary, dcbBinary);
    EXPECT_EQ(dcb.Flags & dcbTxContinueOnXoff, dcbTxContinueOnXoff);
    EXPECT_EQ(dcb.Flags & dcbDtrControlMask, dcbDtrControlEnable);
    EXPECT_EQ(dcb.Flags & dcbRtsControlMask, dcbRtsControlEnable);
    const auto settings = port.GetLineSettings();
    EXPECT_EQ(settings.Baud, 9600u);
    EXPECT_EQ(settings.StopBits, 1);
}

TEST_F(LineSettings, EqualSettingsCauseNoWriteAndNoDrainWait) {
    const int writes = port.setStateCalls;
    const std::uint32_t slept = clock.Slept();
    EXPECT_EQ(port.SetLineSettings(9600, NoParity, 8, 1), 0);
    EXPECT_EQ(port.SetLineSettings(0, 5, 9, 3), 0);  // keep everything
    EXPECT_EQ(port.setStateCalls, writes);
    EXPECT_EQ(clock.Slept(), slept);
}

TEST_F(LineSettings, AChangeWaitsForEighteenCharacterTimes) {
    const std::uint32_t slept = clock.Slept();
    EXPECT_EQ(port.SetLineSettings(19200, EvenParity, 7, 2), 0);
    // At the old 9600 baud, 8N1: 1041 × 10 × 18 × 100 ns, rounded up to 19 ms.
    EXPECT_EQ(clock.Slept() - slept, 19u);
    const TSioDcb dcb = port.DeviceBlock();
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.Parity, EvenParity);
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.StopBits, TwoStopBits);
}

TEST_F(LineSettings, FiveDataBitsGiveOneAndAHalfStopBits) {
    EXPECT_EQ(port.SetLineSettings(0, 5, 5, 2), 0);
    EXPECT_EQ(port.DeviceBlock().StopBits, One5StopBits);
    EXPECT_EQ(port.GetLineSettings().StopBits, 2);
}

TEST_F(LineSettings, HardwareFlowHandsTheLinesToTheDriver) {
    EXPECT_EQ(port.SetHardwareFlow(4000, 400, 1 | 2 | 8), 0);
    const TSioDcb dcb = port.DeviceBlock();
    EXPECT_EQ(dcb.XoffLim, 96);
    EXPECT_EQ(dcb.XonLim, 400);
    EXPECT_EQ(dcb.Flags & dcbDtrControlMask, dcbDtrControlHandshake);
    EXPECT_EQ(dcb.Flags & dcbRtsControlMask, dcbRtsControlHandshake);
    EXPECT_EQ(dcb.Flags & dcbOutxCtsFlow, dcbOutxCtsFlow);
    EXPECT_EQ(dcb.Flags & dcbOutxDsrFlow, 0u);
    const auto escapes = port.Escapes().size();
    EXPECT_EQ(port.DriveDtr(false), 1);
    EXPECT_EQ(port.DriveRts(true), 1);
    EXPECT_EQ(port.Escapes().size(), escapes);  // the lines were not touched
    EXPECT_EQ(port.SetHardwareFlow(0, 0, 0), 0);
    EXPECT_EQ(port.DriveDtr(false), 0);
    EXPECT_EQ(port.Escapes().back(), EscClrDtr);
}

TEST_F(LineSettings, FlowLevelsOutOfOrderOrTooHighChangeNothing) {
    const int writes = port.setStateCalls;
    EXPECT_EQ(port.SetHardwareFlow(100, 200, 1), ecBadArgument);
    EXPECT_EQ(port.SetHardwareFlow(5000, 100, 1), ecBadArgument);
    EXPECT_EQ(port.SetSoftwareFlow(100, 200, 3), ecBadArgument);
    EXPECT_EQ(port.setStateCalls, writes);
    EXPECT_EQ(port.DriveDtr(true), 0);
}

TEST_F(LineSettings, SoftwareFlowAndItsCharacters) {
    EXPECT_EQ(port.SetFlowChars('A', 'B'), 0);
    EXPECT_EQ(port.DeviceBlock().XonChar, 'A');
    EXPECT_EQ(port.SetSoftwareFlow(3000, 1000, 2), 0);
    TSioDcb dcb = port.DeviceBlock();
    EXPECT_EQ(dcb.Flags & (dcbInX | dcbOutX), dcbInX);
    EXPECT_EQ(dcb.XoffLim, 4096 - 3000);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(dcb.XoffChar, 0x13);
    EXPECT_EQ(port.SetSoftwareFlow(3000, 1000, 1), 0);
    EXPECT_EQ(port.DeviceBlock().Flags & (dcbInX | dcbOutX), dcbInX | dcbOutX);
    EXPECT_EQ(port.ClearSoftwareFlow(), 0);
    EXPECT_EQ(port.DeviceBlock().Flags & (dcbInX | dcbOutX), 0u);
}

TEST_F(LineSettings, Rs485ModeGivesRtsToTheDriverAsToggle) {
    port.SetRs485Mode(true);
    EXPECT_EQ(port.SetHardwareFlow(3000, 1000, 0), 0);
    EXPECT_EQ(port.DeviceBlock().Flags & dcbRtsControlMask, dcbRtsControlToggle);
    EXPECT_EQ(port.DriveRts(true), 1);
}

TEST_F(LineSettings, AFailedEscapeIsABadArgument) {
    port.escapeResult = -1;
    EXPECT_EQ(port.DriveDtr(true), ecBadArgument);
    EXPECT_EQ(port.DriveRts(false), ecBadArgument);
}

TEST(BaudCodes, DriverCodesBecomeRates) {
    EXPECT_EQ(BaudFromDcbValue(0xFEFF), 115200u);
    EXPECT_EQ(BaudFromDcbValue(0xFF10), 110u);
    EXPECT_EQ(BaudFromDcbValue(0xFF16), 9600u);
    EXPECT_EQ(BaudFromDcbValue(0xFF1B), 38400u);
    EXPECT_EQ(BaudFromDcbValue(0xFF27), 256000u);
    EXPECT_EQ(BaudFromDcbValue(0xFF19), 0xFF19u);  // a code with no rate is the value itself
    EXPECT_EQ(BaudFromDcbValue(57600), 57600u);
}

}  // namespace
