// The COM port list and its hints.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "CvPortComms.h"
#include "EConvertError.h"
#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

TSioSerialCommEntry Port(const std::string& valueName, const std::string& data) {
    return {valueName, data, valueName, 0};
}

}  // namespace

TEST(CvPortCommsTest, BluetoothModemsAreSkippedAndTheOrderKept) {
    const TComPortList ports =
        GetComPorts({Port("/dev/ttyUSB0", "COM33"), Port("\\Device\\BthModem /dev/rfcomm0", "COM40"),
                     Port("\\device\\bthmodem0", "COM41"), Port("/dev/ttyS0", "COM1"),
                     Port("/dev/ttyS0 again", "COM1"), Port("/dev/big", "COM300")});
    EXPECT_EQ(ports, (TComPortList{33, 41, 1, 1, 300}));
    EXPECT_TRUE(GetComPorts({}).empty());
}

TEST(CvPortCommsTest, APortThatIsNotComAndANumberFailsTheWholeList) {
    EXPECT_THROW(GetComPorts({Port("/dev/ttyS0", "COM1"), Port("/dev/odd", "COMX")}), EConvertError);
    EXPECT_THROW(GetComPorts({Port("/dev/odd", "CO")}), EConvertError);
    EXPECT_EQ(StrToInt(" 12 "), 12);
    EXPECT_EQ(StrToInt("-3"), -3);
    EXPECT_THROW(StrToInt("1 2"), EConvertError);
    EXPECT_THROW(StrToInt("99999999999"), EConvertError);
    EXPECT_EQ(StrToIntDef("", 0), 0);
    EXPECT_EQ(StrToIntDef(" 9 ", 0), 9);
}

TEST(CvPortCommsTest, AHintNamesTheDeviceAndItsByIdLink) {
    TempDir dir;
    const fs::path device = fs::path(dir.Path()) / "ttyUSB0";
    std::ofstream(device.string()).put('x');
    const fs::path byId = fs::path(dir.Path()) / "by-id";
    fs::create_directory(byId);
    EXPECT_EQ(ComPortHint(Port(device.string(), "COM33"), byId.string()), device.string());
    fs::create_symlink(fs::path(dir.Path()) / "other", byId / "usb-dangling");
    fs::create_symlink(device, byId / "usb-Maker_Cable_12345-if00-port0");
    EXPECT_EQ(ComPortHint(Port(device.string(), "COM33"), byId.string()),
              device.string() + " (usb-Maker_Cable_12345-if00-port0)");
    EXPECT_EQ(ComPortHint(Port(device.string(), "COM33"), dir.Path() + "/missing"),
              device.string());
}
