#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "PtyPair.h"
#include "ScopedEnv.h"
#include "SioPosixPortTable.h"
#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

// A fake kernel device tree and port folder, both found through the environment.
class ComPortTableTest : public ::testing::Test {
  protected:
    void AddTty(const std::string& name, bool hasDevice, int type = -1) {
        const fs::path entry = fs::path(root_.Path()) / "class/tty" / name;
        fs::create_directories(entry);
        if (hasDevice) fs::create_directory(entry / "device");
        if (type >= 0) std::ofstream(entry / "type") << type << "\n";
    }
    void Publish(const std::string& linkName, const fs::path& target) {
        fs::create_symlink(target, Ports() / linkName);
    }
    fs::path Ports() const { return fs::path(ports_.Path()); }

    TempDir root_;
    TempDir ports_;
    ScopedEnv sysfs_{"ROSTERMATE_SYSFS", root_.Path()};
    ScopedEnv portsEnv_{"ROSTERMATE_PORTS", ports_.Path()};
};

std::vector<std::string> Data(const std::vector<TSioSerialCommEntry>& entries) {
    std::vector<std::string> data;
    for (const auto& entry : entries) data.push_back(entry.Data);
    return data;
}

}  // namespace

TEST(ComNumberForTtyName, MapsEachFamilyAndRejectsOtherNames) {
    EXPECT_EQ(ComNumberForTtyName("ttyS0"), 1);
    EXPECT_EQ(ComNumberForTtyName("ttyS31"), 32);
    EXPECT_EQ(ComNumberForTtyName("ttyUSB2"), 35);
    EXPECT_EQ(ComNumberForTtyName("ttyACM0"), 65);
    EXPECT_EQ(ComNumberForTtyName("ttyAMA3"), 100);
    for (const char* other : {"rfcomm0", "tty0", "ttyS", "ttyS01", "ttyUSBx", "ttyS1a", "console"})
        EXPECT_EQ(ComNumberForTtyName(other), 0) << other;
}

// Found by fuzzing: an index too large for a number made a ghost COM1 (the conversion's 0 read
// as index 0), and the largest index overflowed when the family's first number was added.
TEST(ComNumberForTtyName, AnIndexTooLargeForACOMNumberIsNoPort) {
    EXPECT_EQ(ComNumberForTtyName("ttyS2147483646"), 2147483647);
    for (const char* huge : {"ttyS3187605759", "ttyS2147483647", "ttyUSB2147483615",
                             "ttyAMA99999999999999999999"})
        EXPECT_EQ(ComNumberForTtyName(huge), 0) << huge;
}

TEST_F(ComPortTableTest, ListsRealPortsOnlyAndSkipsPhantomsAndVirtualTtys) {
    AddTty("ttyS0", true, 4);
    AddTty("ttyS1", true, 0);  // registered by the driver, no UART behind it
    AddTty("ttyS2", false);    // no hardware link
    AddTty("ttyUSB0", true);
    AddTty("ttyACM1", true);
    AddTty("tty0", true);     // a console, not a port
    AddTty("rfcomm0", true);  // Bluetooth links are never built-in ports

    const auto entries = SerialCommEntries();
    EXPECT_EQ(Data(entries), (std::vector<std::string>{"COM1", "COM33", "COM66"}));
    EXPECT_EQ(entries[1].ValueName, "/dev/ttyUSB0");
    EXPECT_EQ(ComDevicePath(66), "/dev/ttyACM1");
    EXPECT_EQ(ComDevicePath(2), "");
}

TEST_F(ComPortTableTest, PublishedLinksWinAndBluetoothLinksAreNamedForSkipping) {
    AddTty("ttyS0", true, 4);
    PtyPair pty;
    Publish("COM1", pty.SlavePath());  // takes the number of the built-in ttyS0
    fs::create_directory(Ports() / "devs");
    fs::create_symlink("/dev/null", Ports() / "devs/rfcomm3");
    Publish("COM20", "devs/rfcomm3");    // relative, to a Bluetooth link
    Publish("COM12", Ports() / "gone");  // the device has vanished
    std::ofstream(Ports() / "COM7") << "not a device";
    Publish("COMx", "/dev/null");
    Publish("Port3", "/dev/null");

    const auto entries = SerialCommEntries();
    ASSERT_EQ(Data(entries), (std::vector<std::string>{"COM1", "COM20"}));
    EXPECT_EQ(entries[0].DevicePath, pty.SlavePath());
    EXPECT_EQ(entries[0].ValueName.find("BthModem"), std::string::npos);
    EXPECT_NE(entries[1].ValueName.find("\\Device\\BthModem"), std::string::npos);
    EXPECT_EQ(entries[1].DevicePath, (Ports() / "devs/rfcomm3").string());
    EXPECT_EQ(ComDevicePath(1), pty.SlavePath());
}

TEST(SioPortDirectory, FollowsTheEnvironmentInOrder) {
    ScopedEnv ports("ROSTERMATE_PORTS", "/somewhere/ports");
    ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/1234");
    EXPECT_EQ(SioPortDirectory(), "/somewhere/ports");
    {
        ScopedEnv noPorts("ROSTERMATE_PORTS", std::nullopt);
        EXPECT_EQ(SioPortDirectory(), "/run/user/1234/rostermate/ports");
        ScopedEnv noRuntime("XDG_RUNTIME_DIR", std::nullopt);
        EXPECT_EQ(SioPortDirectory(), "/tmp/rostermate-" + std::to_string(::getuid()) + "/ports");
    }
}

TEST(SioSysfsRoot, DefaultsToTheKernelTree) {
    ScopedEnv unset("ROSTERMATE_SYSFS", std::nullopt);
    EXPECT_EQ(SioSysfsRoot(), "/sys");
}
