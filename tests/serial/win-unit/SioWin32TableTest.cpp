#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "SioWin32PortTable.h"
#include "SioWin32Dispatcher.h"
#include "SioWin32PortClaim.h"
#include "SioWin32Windows.h"

namespace {

constexpr const char* kSerialCommKey = "Hardware\\DeviceMap\\SerialComm";

// A value added to the system's port list for the life of the object; not Valid() where the
// list may not be written (a real system without administrator rights).
class ListedPort {
  public:
    ListedPort(std::string valueName, const std::string& data) : name_(std::move(valueName)) {
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key_, nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        const auto* bytes = reinterpret_cast<const BYTE*>(data.c_str());
        if (::RegSetValueExA(key_, name_.c_str(), 0, REG_SZ, bytes,
                             static_cast<DWORD>(data.size() + 1)) != ERROR_SUCCESS) {
            ::RegCloseKey(key_);
            key_ = nullptr;
        }
    }
    ~ListedPort() {
        if (!key_) return;
        ::RegDeleteValueA(key_, name_.c_str());
        ::RegCloseKey(key_);
    }
    bool Valid() const { return key_ != nullptr; }

  private:
    std::string name_;
    HKEY key_ = nullptr;
};

}  // namespace

TEST(SioWin32ComPortTable, EntryForAValue) {
    const TSioSerialCommEntry usb = SerialCommEntryFor("\\Device\\VCP0", "COM12");
    EXPECT_EQ(usb.ValueName, "\\Device\\VCP0");
    EXPECT_EQ(usb.Data, "COM12");
    EXPECT_EQ(usb.DevicePath, "\\\\.\\COM12");
    EXPECT_EQ(usb.ComNumber, 12);
    // Data of another form stays as it is, for the caller to judge; it has no number.
    for (const char* odd : {"COM", "COMX", "COM1a", "LPT1", "COM-3", ""})
        EXPECT_EQ(SerialCommEntryFor("\\Device\\Odd", odd).ComNumber, 0) << odd;
}

TEST(SioWin32ComPortTable, ListsThePortsTheSystemRegisters) {
    const std::string name = "\\Device\\RostermateTest" + std::to_string(::GetCurrentProcessId());
    ListedPort port(name, "COM241");
    if (!port.Valid()) GTEST_SKIP() << "the system's port list cannot be written here";
    const auto entries = SerialCommEntries();
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const auto& entry) { return entry.ValueName == name; });
    ASSERT_NE(found, entries.end());
    EXPECT_EQ(found->Data, "COM241");
    EXPECT_EQ(found->ComNumber, 241);
    EXPECT_EQ(ComDevicePath(241), "\\\\.\\COM241");
    EXPECT_EQ(ComDevicePath(0), "");
}

TEST(SioWin32ComPortTable, APortNoLongerListedHasNoPath) {
    {
        ListedPort port("\\Device\\RostermateGone", "COM242");
        if (!port.Valid()) GTEST_SKIP() << "the system's port list cannot be written here";
        EXPECT_EQ(ComDevicePath(242), "\\\\.\\COM242");
    }
    EXPECT_EQ(ComDevicePath(242), "");
}

TEST(SioWin32Dispatcher, DevicePathForAPortName) {
    EXPECT_EQ(TSioWin32Dispatcher::DevicePathFor("COM3"), "\\\\.\\COM3");
    EXPECT_EQ(TSioWin32Dispatcher::DevicePathFor("COM123"), "\\\\.\\COM123");
    EXPECT_EQ(TSioWin32Dispatcher::DevicePathFor("\\\\.\\COM3"), "\\\\.\\COM3");
    EXPECT_EQ(TSioWin32Dispatcher::DevicePathFor("COMX"), "COMX");
}

TEST(SioWin32PortClaim, OneClaimPerPortWhateverItsSpelling) {
    EXPECT_EQ(TSioWin32PortClaim::NameFor("\\\\.\\com7"), TSioWin32PortClaim::NameFor("COM7"));
    EXPECT_NE(TSioWin32PortClaim::NameFor("COM7"), TSioWin32PortClaim::NameFor("COM17"));
    TSioWin32PortClaim first;
    TSioWin32PortClaim second;
    ASSERT_TRUE(first.Take("\\\\.\\COM243"));
    EXPECT_FALSE(second.Take("COM243"));
    EXPECT_TRUE(second.Take("COM244"));
    first.Release();
    EXPECT_TRUE(second.Take("com243"));
}
