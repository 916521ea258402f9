// Why a port cannot be opened: the holder and ModemManager as the process folder shows them, the
// device behind a port that has just gone, the udev rule for a USB adapter, and the advice for
// each way a user can lack the device's group. (The messages under real conditions, another
// user's permissions and a real holder included, are tested with the window.)
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "EInOutError.h"
#include "ModemManagerHint.h"
#include "PortTrouble.h"
#include "ScopedEnv.h"
#include "SioErrorCodes.h"
#include "SioExcept.h"
#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

template <typename E, typename... Args>
std::exception_ptr Failure(Args... args) {
    return std::make_exception_ptr(E(args...));
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A process folder with the processes a test makes up.
class FakeProcesses {
  public:
    void Add(int pid, const std::string& comm, const std::string& program = {},
             const std::string& openDevice = {}) {
        const fs::path process = fs::path(root_.Path()) / std::to_string(pid);
        Write(process / "comm", comm + "\n");
        Write(process / "cmdline", program.empty() ? comm : program + std::string(1, '\0') + "-x");
        fs::create_directories(process / "fd");
        fs::create_symlink("/dev/null", process / "fd" / "0");
        if (!openDevice.empty())
            fs::create_symlink(fs::canonical(openDevice), process / "fd" / "7");
    }
    const std::string& Root() const { return root_.Path(); }

  private:
    TempDir root_;
};

class PortTroubleTest : public ::testing::Test {
  protected:
    PortTroubleTest() { std::ofstream created(device); }

    TempDir dir;
    const std::string device = dir.Path() + "/ttyUSB0";
    FakeProcesses processes;
};

}  // namespace

TEST_F(PortTroubleTest, AHeldPortNamesItsHolderInFullAndNeverThisProgram) {
    processes.Add(40, "bash");
    processes.Add(41, "serial-termina", "/usr/bin/serial-terminal-tool", device);
    processes.Add(static_cast<int>(::getpid()), "app_tests", "", device);
    const auto holder = FindPortHolder(device, processes.Root());
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->name, "serial-terminal-tool");
    EXPECT_EQ(holder->pid, 41);

    TPortTrouble trouble(processes.Root());
    EXPECT_EQ(trouble.OpenFailed(device, Failure<EAlreadyOpen>(sio::ecAlreadyOpen)),
              "\r\n" + device +
                  " is in use by another program: serial-terminal-tool (process 41)."
                  "\r\nClose that program (or let it close the port), then try again.");
    EXPECT_FALSE(FindPortHolder(dir.Path() + "/ttyUSB9", processes.Root()));
}

TEST_F(PortTroubleTest, ModemManagerIsNamedWhenItHoldsThePortOrThePortKeepsFailing) {
    TPortTrouble withoutIt(processes.Root());
    const auto held = Failure<EAlreadyOpen>(sio::ecAlreadyOpen);
    withoutIt.OpenFailed(device, held);
    EXPECT_FALSE(Contains(withoutIt.OpenFailed(device, held), "ModemManager"));

    processes.Add(300, "ModemManager");
    TPortTrouble trouble(processes.Root());
    const auto failed = Failure<EInOutError>("Input/output error", EIO);
    EXPECT_EQ(trouble.OpenFailed(device, failed), "\r\n" + device + ": Input/output error");
    const std::string again = trouble.OpenFailed(device, failed);
    EXPECT_TRUE(Contains(again, "\r\nModemManager is running and may be probing this port"));
    EXPECT_TRUE(Contains(again, "ENV{ID_MM_DEVICE_IGNORE}=\"1\"")) << again;
    // An open that succeeds starts the count again; another device starts its own.
    trouble.Opened();
    EXPECT_FALSE(Contains(trouble.OpenFailed(device, failed), "ModemManager"));
    EXPECT_FALSE(Contains(trouble.OpenFailed(dir.Path() + "/ttyS0", failed), "ModemManager"));

    processes.Add(301, "ModemManager", "/usr/sbin/ModemManager", device);
    TPortTrouble first(processes.Root());
    const std::string probed = first.OpenFailed(device, held);
    EXPECT_TRUE(Contains(probed, "in use by another program: ModemManager (process 301)"));
    EXPECT_TRUE(Contains(probed, "ID_MM_DEVICE_IGNORE")) << probed;
}

TEST_F(PortTroubleTest, TheUdevRuleFollowsAUsbAdapterByItsIdsAndAnyOtherDeviceByName) {
    TempDir sysfs;
    ScopedEnv root("ROSTERMATE_SYSFS", sysfs.Path());
    EXPECT_EQ(UdevMatchFor(device), "KERNEL==\"ttyUSB0\"");

    const fs::path usb = fs::path(sysfs.Path()) / "devices/pci0/usb1/1-2";
    const fs::path port = usb / "1-2:1.0/ttyUSB0";
    Write(usb / "idVendor", "0403\n");
    Write(usb / "idProduct", "6001\n");
    fs::create_directories(port);
    fs::create_directories(fs::path(sysfs.Path()) / "class/tty/ttyUSB0");
    fs::create_symlink(port, fs::path(sysfs.Path()) / "class/tty/ttyUSB0/device");
    EXPECT_EQ(UdevMatchFor(device), "ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6001\"");
}

TEST_F(PortTroubleTest, APortThatHasGoneIsKnownByItsLinkOrItsNumber) {
    TempDir ports;
    TempDir sysfs;
    ScopedEnv portsEnv("ROSTERMATE_PORTS", ports.Path());
    ScopedEnv sysfsEnv("ROSTERMATE_SYSFS", sysfs.Path());
    const std::string byId = dir.Path() + "/usb-Maker_Cable-if00-port0";
    fs::create_symlink(byId, ports.Path() + "/COM9");
    fs::create_symlink("ttyACM0", ports.Path() + "/COM12");
    EXPECT_EQ(KnownDevicePath(9), byId);
    EXPECT_EQ(KnownDevicePath(12), ports.Path() + "/ttyACM0");
    EXPECT_EQ(KnownDevicePath(1), "/dev/ttyS0");
    EXPECT_EQ(KnownDevicePath(34), "/dev/ttyUSB1");
    EXPECT_EQ(KnownDevicePath(66), "/dev/ttyACM1");
    EXPECT_EQ(KnownDevicePath(200), "");

    // However the open put it, a device that is not there has gone.
    EXPECT_EQ(PortFailureOf(Failure<EBadId>(sio::ecBadId), device), PortFailure::Gone);
    EXPECT_EQ(PortFailureOf(Failure<EInOutError>("Permission denied", EACCES), byId),
              PortFailure::Gone);
    EXPECT_EQ(PortFailureOf(Failure<EInOutError>("Permission denied", EACCES), device),
              PortFailure::Denied);
    TPortTrouble trouble;
    EXPECT_EQ(trouble.OpenFailed(9, Failure<EBadId>(sio::ecBadId)),
              "\r\n" + byId +
                  " is no longer present (unplugged?).\r\nPlug the device in again "
                  "and choose its port once it is back in the list.");
}

TEST(PortAdviceTest, EachWayOfLackingTheGroupGetsItsOwnRemedy) {
    DeviceAccess access;
    access.exists = true;
    access.userName = "alice";
    access.ownerName = "root";
    access.groupName = "dialout";
    access.modeText = "crw-rw----";
    access.groupMayReadWrite = true;

    auto text = [&] {
        std::string joined;
        for (const std::string& line : DeniedAdvice("/dev/ttyUSB0", access)) joined += line + "\n";
        return joined;
    };
    EXPECT_EQ(text(),
              "Permission denied: /dev/ttyUSB0 belongs to the group \"dialout\", and you (alice) "
              "are not a member of it.\nAdd yourself to the group with\n"
              "    sudo usermod -aG dialout alice\n"
              "then log out and back in: a new group counts from the next login.\n");

    // Added to the group since this login began: only a new login helps.
    access.inGroupAccount = true;
    EXPECT_TRUE(Contains(text(), "which you (alice) joined after this login began")) << text();
    EXPECT_FALSE(Contains(text(), "usermod"));

    // A device its group cannot use: the group alone would not help.
    access.inGroupAccount = false;
    access.groupMayReadWrite = false;
    access.groupName = "root";
    access.modeText = "crw-------";
    EXPECT_TRUE(Contains(text(), "(crw-------, owner root, group root) is not meant for its group"));
    EXPECT_TRUE(Contains(text(), "GROUP=\"dialout\", MODE=\"0660\""));
    EXPECT_TRUE(Contains(text(), "sudo usermod -aG dialout alice"));
}

TEST_F(PortTroubleTest, AdviceNeverAsksToJoinAPrivilegedGroupNorBlamesModemManagerForOthers) {
    DeviceAccess access;
    access.exists = true;
    access.userName = "alice";
    access.ownerName = "root";
    access.groupName = "root";
    access.modeText = "crw-rw----";
    access.groupMayReadWrite = true;
    std::string advice;
    for (const std::string& line : DeniedAdvice(device, access)) advice += line + "\n";
    EXPECT_FALSE(Contains(advice, "usermod -aG root")) << advice;
    EXPECT_TRUE(Contains(advice, "udev rule")) << advice;

    // With ModemManager running, a port held by a program that is named, or refused by its
    // permissions, does not get ModemManager's advice however often it fails.
    processes.Add(300, "ModemManager");
    processes.Add(41, "serial-termina", "/usr/bin/serial-terminal-tool", device);
    TPortTrouble trouble(processes.Root());
    const auto held = Failure<EAlreadyOpen>(sio::ecAlreadyOpen);
    trouble.OpenFailed(device, held);
    EXPECT_FALSE(Contains(trouble.OpenFailed(device, held), "ModemManager"));
}
