#include <gtest/gtest.h>

#include <filesystem>

#include "PtyPair.h"
#include "ScopedEnv.h"
#include "SioExcept.h"
#include "SioNotifier.h"
#include "SioPort.h"
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
