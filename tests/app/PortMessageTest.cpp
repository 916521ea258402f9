// "Problem opening COM port" and what follows it, under the real conditions: a device this user
// may not use (the window run as an unprivileged user), a port that another Rostermate holds,
// and a port whose device has gone.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <filesystem>

#include "ConversationFixture.h"
#include "PortHolders.h"
#include "RunProgram.h"

namespace fs = std::filesystem;

namespace {

constexpr int kNobody = 65534;  // the unprivileged user and group of Debian

using PortMessageTest = ConversationTest;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// The texts the probe printed under a heading ("hint", "message").
QStringList Printed(const std::string& output, const QString& kind) {
    QStringList texts;
    const QStringList blocks = Text(output).split(QStringLiteral("\n--- end\n"));
    for (const QString& block : blocks)
        if (block.startsWith(kind + "\n")) texts.append(block.mid(kind.size() + 1));
    return texts;
}

// A folder that another user can read (and, when asked, write).
void OpenToEveryone(const TempDir& folder, bool writable = false) {
    ::chmod(folder.Path().c_str(), writable ? 0777 : 0755);
}

}  // namespace

TEST_F(PortMessageTest, ADeviceOfAGroupTheUserIsNotInNamesTheGroupAndHowToJoinIt) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the device away and become nobody";
    const group* dialout = ::getgrnam("dialout");
    if (dialout == nullptr) GTEST_SKIP() << "this system has no dialout group";

    PtyPair adapter;
    const std::string device = adapter.SlavePath();
    ASSERT_EQ(::chown(device.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(device.c_str(), 0660), 0);
    TempDir ports, sysfs, home;
    OpenToEveryone(ports);
    OpenToEveryone(sysfs);
    OpenToEveryone(home, true);
    fs::create_symlink(device, ports.Path() + "/COM9");

    const ProgramRun run = RunProgram(
        {"setpriv", "--reuid=" + std::to_string(kNobody), "--regid=" + std::to_string(kNobody),
         "--clear-groups", "env", "ROSTERMATE_PORTS=" + ports.Path(),
         "ROSTERMATE_SYSFS=" + sysfs.Path(), "HOME=" + home.Path(), PORT_MESSAGE_PROBE, "9"});
    if (run.status == 126 || run.status == 127)
        GTEST_SKIP() << "the build folder is out of an unprivileged user's reach: " << run.err;
    ASSERT_EQ(run.status, 0) << run.out << run.err;

    const QStringList said = Printed(run.out, "message");
    ASSERT_EQ(said.size(), 1) << run.out;
    const QString expected = "Problem opening COM port\r\nPermission denied: " + Text(device) +
                             " belongs to the group \"dialout\", and you (nobody) are not a "
                             "member of it.\r\nAdd yourself to the group with\r\n"
                             "    sudo usermod -aG dialout nobody\r\n"
                             "then log out and back in: a new group counts from the next login.";
    EXPECT_EQ(said[0], expected);
    // The port list said so before anything was pressed.
    const QStringList hints = Printed(run.out, "hint");
    ASSERT_EQ(hints.size(), 1);
    EXPECT_TRUE(hints[0].startsWith(Text(device) + "\nPermission denied: "))
        << hints[0].toStdString();
    EXPECT_TRUE(hints[0].contains("sudo usermod -aG dialout nobody"));
}

TEST_F(PortMessageTest, APortHeldByAnotherProgramNamesTheProgramAndItsProcess) {
    StartInstrument();
    QProcess other;  // Rostermate started a second time, on the same port
    other.start(QStringLiteral(ROSTERMATE_PROGRAM), {"--connect", "9"});
    ASSERT_TRUE(other.waitForStarted());
    const int pid = static_cast<int>(other.processId());
    ASSERT_TRUE(QtWaitUntil(
        [&] {
            const auto holder = FindPortHolder(instrument->DevicePath());
            return holder && holder->pid == pid;
        },
        std::chrono::seconds(30)));

    ASSERT_TRUE(QtWaitUntil([&] { return Listed(kCom); }));
    ClickPort(kCom);
    form->ConnectButton->click();
    const QString held = QStringLiteral(
                             "Problem opening COM port\r\n%1 is in use by another program: "
                             "rostermate (process %2).\r\nClose that program (or let it close "
                             "the port), then try again.")
                             .arg(Text(instrument->DevicePath()))
                             .arg(pid);
    const QStringList said = messages.Take();
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].startsWith(held)) << said[0].toStdString();
    EXPECT_TRUE(form->CommsRG->isEnabled());

    // Search Bluetooth opens the port the same way and says the same.
    form->SearchButton->click();
    const QStringList searched = messages.Take();
    ASSERT_EQ(searched.size(), 1);
    EXPECT_TRUE(searched[0].startsWith(held)) << searched[0].toStdString();
    other.kill();
    other.waitForFinished();
}

TEST_F(PortMessageTest, APortWhoseDeviceHasGoneSaysItIsNoLongerPresent) {
    PtyPair adapter;
    TempDir byId;
    const std::string link = byId.Path() + "/usb-Test_Adapter_0001-if00-port0";
    fs::create_symlink(adapter.SlavePath(), link);
    published.Link(kCom, link);
    ASSERT_TRUE(QtWaitUntil([&] { return Listed(kCom); }));
    ClickPort(kCom);
    fs::remove(link);  // unplugged: the adapter's by-id link goes with it
    form->ConnectButton->click();
    EXPECT_EQ(messages.Take(),
              QStringList{"Problem opening COM port\r\n" + Text(link) +
                          " is no longer present (unplugged?).\r\nPlug the device in again and "
                          "choose its port once it is back in the list."});
}
