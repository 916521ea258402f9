#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>

#include "EInOutError.h"
#include "ProcessCounts.h"
#include "PtyPair.h"
#include "ScopedEnv.h"
#include "SioExcept.h"
#include "SioNotifier.h"
#include "SioPort.h"
#include "SystemErrorText.h"
#include "TempDir.h"
#include "WaitUntil.h"

using namespace std::chrono_literals;

// The com port as the program uses it, on this platform's device layer: an instrument published
// as COM9 in the port folder, reached by number.
TEST(PosixComPort, TalksToAnInstrumentPublishedAsACommPort) {
    PtyPair instrument;
    TempDir folder;
    ScopedEnv ports("ROSTERMATE_PORTS", folder.Path());
    ScopedEnv sysfs("ROSTERMATE_SYSFS", folder.Path());  // no built-in ports
    std::filesystem::create_symlink(instrument.SlavePath(), folder.Path() + "/COM9");

    TSioComPort port;
    port.SetComNumber(9);
    port.SetBaud(9600);
    std::string read;
    port.OnTriggerAvail = [&](TSioPort p, std::uint16_t count) {
        for (std::uint16_t i = 0; i < count; ++i) read.push_back(static_cast<char>(p->ReadChar()));
    };
    port.SetOpen(true);
    port.WriteString("!?####Q3F\r");
    EXPECT_EQ(instrument.Read(10, 5s), "!?####Q3F\r");
    instrument.Write(":A1234Q12\r");
    EXPECT_TRUE(WaitUntil([&] { return read == ":A1234Q12\r"; }, 10s,
                          [] { TSioNotifier::PumpCallingThread(); }));

    // Held by the first port, the device is "already open"; a number with no device at all
    // "doesn't exist".
    TSioComPort second;
    second.SetComNumber(9);
    EXPECT_THROW(second.SetOpen(true), EAlreadyOpen);
    TSioComPort missing;
    missing.SetComNumber(8);
    EXPECT_THROW(missing.SetOpen(true), EBadId);

    port.SetOpen(false);
    EXPECT_FALSE(port.Open());
    second.SetOpen(true);
    EXPECT_TRUE(second.Open());
}

// An instrument that vanishes under the open port (its pseudo-terminal master closes): writing
// fails with the system's reason instead of pretending to succeed, what it sent before can still
// be read, and once the program has closed the port the next write opens it again on the
// instrument now published under the same number.
TEST(PosixComPort, AVanishedInstrumentFailsWritesUntilTheProgramReopensThePort) {
    const int tasks = SettledThreadCount();
    auto instrument = std::make_unique<PtyPair>();
    TempDir folder;
    ScopedEnv ports("ROSTERMATE_PORTS", folder.Path());
    ScopedEnv sysfs("ROSTERMATE_SYSFS", folder.Path());
    const std::string link = folder.Path() + "/COM9";
    std::filesystem::create_symlink(instrument->SlavePath(), link);
    const auto pump = [] { TSioNotifier::PumpCallingThread(); };

    TSioComPort port;
    port.SetComNumber(9);
    int announced = 0;  // the handler leaves the bytes, to be read after the loss
    port.OnTriggerAvail = [&](TSioPort, std::uint16_t) { ++announced; };
    port.WriteString("Q");  // opens on use
    EXPECT_EQ(instrument->Read(1, 5s), "Q");
    instrument->Write(":A1\r");
    // Until their notification is over the bytes are its handler's.
    ASSERT_TRUE(WaitUntil(
        [&] { return announced == 1 && !port.Dispatcher()->DispatchInProgress(); }, 10s, pump));
    ASSERT_EQ(port.InputCount(), 4);
    instrument->CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return port.Dispatcher()->DeviceLostError() != 0; }, 10s, pump));
    try {
        port.WriteString("Q");
        FAIL() << "a write to a vanished device succeeded";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), EIO);
        EXPECT_EQ(e.Message(), SystemErrorText(EIO));
    }
    EXPECT_TRUE(port.Open());
    std::string read;
    for (int i = 0; i < 4; ++i) read.push_back(port.ReadChar());
    EXPECT_EQ(read, ":A1\r");
    // Discarding input has nothing left to purge at the device, and is no failure.
    EXPECT_NO_THROW(port.FlushInput());

    port.SetOpen(false);
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == tasks; }));
    instrument = std::make_unique<PtyPair>();
    std::filesystem::remove(link);
    std::filesystem::create_symlink(instrument->SlavePath(), link);
    port.WriteString("again");
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(instrument->Read(5, 5s), "again");
}
