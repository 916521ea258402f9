// The com port on real pseudo-terminals under the Qt event loop: the test plays the instrument
// on the master side of each pair, published as a COM port through the port folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <thread>

#include "ProcessCounts.h"
#include "PtyPair.h"
#include "QtWaitUntil.h"
#include "ScopedEnv.h"
#include "SioExceptionDisplay.h"
#include "SioPort.h"
#include "SioPortHooks.h"
#include "SioPosixDevice.h"
#include "SioQtGlue.h"
#include "SioStatLt.h"
#include "SioStatusLight.h"
#include "SioTestFiles.h"
#include "TempDir.h"

namespace {

using namespace std::chrono_literals;

class QtPtyPortTest : public ::testing::Test {
  protected:
    QtPtyPortTest() {
        InstallSioQtGlue();
        std::filesystem::create_symlink(first.SlavePath(), ports.Path() + "/COM41");
        std::filesystem::create_symlink(second.SlavePath(), ports.Path() + "/COM42");
        port.SetComNumber(41);
        port.SetBaud(9600);
        previous =
            SetSioExceptionDisplay([this](const std::string& text) { shown.push_back(text); });
        port.OnTriggerAvail = [this](TSioPort p, std::uint16_t count) {
            counts.push_back(count);
            rxLitInHandler.push_back(rx.Lit());
            for (std::uint16_t i = 0; i < count; ++i) received.push_back(p->ReadChar());
            if (afterRead) afterRead(p);
        };
    }
    ~QtPtyPortTest() override {
        port.SetOpen(false);
        SetSioExceptionDisplay(previous);
        SetSioNotifierFactory({});
        SetSioPortPrompt({});
    }

    // The instrument sends `bytes`; waits until the port's handler has read them all.
    void Answer(PtyPair& far, const std::string& bytes) {
        const std::size_t expected = received.size() + bytes.size();
        far.Write(bytes);
        ASSERT_TRUE(QtWaitUntil([&] { return received.size() == expected; }));
    }

    TempDir ports;
    ScopedEnv portsEnv{"ROSTERMATE_PORTS", ports.Path()};
    PtyPair first, second;
    TSioComPort port;
    TSioStatusLight tx, rx;
    std::vector<std::uint16_t> counts;
    std::vector<bool> rxLitInHandler;
    std::string received;
    std::function<void(TSioPort)> afterRead;
    std::vector<std::string> shown;
    TSioExceptionDisplay previous;
};

}  // namespace

TEST_F(QtPtyPortTest, ArrivingBytesAreAnnouncedOnTheGuiThreadAndReadInOrder) {
    const auto gui = std::this_thread::get_id();
    bool onGui = true;
    bool emptyAfterwards = false;
    afterRead = [&](TSioPort p) {
        onGui = onGui && std::this_thread::get_id() == gui;
        try {
            p->ReadChar();
        } catch (const EBufferIsEmpty&) {
            emptyAfterwards = true;
        }
    };
    port.SetOpen(true);
    Answer(first, ":12345A\r");
    EXPECT_EQ(received, ":12345A\r");
    EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), 0), 8);
    EXPECT_TRUE(onGui);
    EXPECT_TRUE(emptyAfterwards);
}

TEST_F(QtPtyPortTest, WriteStringTakesTheFreeRoomAndNotAByteMore) {
    port.SetOutSize(256);
    port.SetOpen(true);
    EXPECT_THROW(port.WriteString(std::string(257, 'x')), EOutputBufferTooSmall);
    port.WriteString(std::string(256, 'y'));  // the whole ring is free right after opening
    EXPECT_EQ(first.Read(256, 5s), std::string(256, 'y'));
    EXPECT_EQ(first.ReadUntilQuiet(200ms), "");
}

TEST_F(QtPtyPortTest, MissingAndHeldDevicesRaiseTheirOwnErrors) {
    port.SetComNumber(43);
    try {
        port.SetOpen(true);
        FAIL() << "a missing device opened";
    } catch (const EBadId& e) {
        EXPECT_EQ(e.Message(), "ie_BadId - Specified comport doesn't exist");
    }
    EXPECT_FALSE(port.Open());

    TSioPosixDevice holder;
    ASSERT_EQ(holder.Open(second.SlavePath()), 0);
    port.SetComNumber(42);
    try {
        port.SetOpen(true);
        FAIL() << "a held device opened";
    } catch (const EAlreadyOpen& e) {
        EXPECT_EQ(e.Message(), "ie_Open - device already open");
    }
    EXPECT_FALSE(port.Open());
}

TEST_F(QtPtyPortTest, ClosedPortsReopenOnlyWithAutoOpen) {
    port.WriteString("Q");
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(first.Read(1, 5s), "Q");
    port.SetOpen(false);
    port.SetAutoOpen(false);
    EXPECT_THROW(port.WriteString("Q"), ECommNotOpen);
    EXPECT_FALSE(port.Open());
}

TEST_F(QtPtyPortTest, ClosingInsideTheHandlerFinishesAfterIt) {
    bool openAtClose = false;
    port.OnPortClose = [&](TSioPort p) { openAtClose = p->Open(); };
    afterRead = [](TSioPort p) { p->SetOpen(false); };
    port.SetOpen(true);
    Answer(first, "x");
    EXPECT_TRUE(openAtClose);
    ASSERT_TRUE(QtWaitUntil([&] { return !port.Open(); }));
    EXPECT_EQ(port.Dispatcher(), nullptr);
}

TEST_F(QtPtyPortTest, LightsFollowTrafficAcrossReopenAndANewNumber) {
    TSioSLController controller(&port);
    controller.Lights().SetTXDLight(&tx);
    controller.Lights().SetRXDLight(&rx);
    port.OnPortOpen = [&](TSioPort) { controller.SetMonitoring(true); };

    auto conversation = [&](PtyPair& far) {
        const std::size_t before = counts.size();
        bool txSeen = false;
        port.WriteString("!Q?####\r");
        ASSERT_TRUE(QtWaitUntil([&] { return txSeen = txSeen || tx.Lit(); }));
        ASSERT_TRUE(QtWaitUntil([&] { return !tx.Lit(); }));
        EXPECT_EQ(far.Read(8, 5s), "!Q?####\r");
        Answer(far, ":OK\r");
        EXPECT_EQ(counts.size(), before + 1);  // once per notification
        EXPECT_TRUE(rxLitInHandler.back());
        ASSERT_TRUE(QtWaitUntil([&] { return !rx.Lit(); }));
    };

    port.SetOpen(true);
    conversation(first);
    port.SetOpen(false);
    port.SetOpen(true);
    conversation(first);
    port.SetComNumber(42);
    conversation(second);
    EXPECT_TRUE(shown.empty());
}

TEST_F(QtPtyPortTest, TraceOfAConversationIsWrittenWhenThePortCloses) {
    TempDir folder;
    const std::string path = folder.Path() + "/SERIAL.TRC";
    port.SetTraceName(path);
    port.SetTracing(TTraceLogState::tlOn);
    port.SetOpen(true);
    port.WriteString("!Q\r");
    EXPECT_EQ(first.Read(3, 5s), "!Q\r");
    Answer(first, ":OK\r");
    port.SetOpen(false);
    EXPECT_EQ(ReadFileText(path), "Transmit: \r\n!Q[0D]\r\n\r\nReceive: \r\n:OK[0D]");
}

TEST_F(QtPtyPortTest, TwoHundredCyclesLeaveNoThreadOrDescriptor) {
    port.SetOpen(true);  // the baseline follows one cycle (runtimes start helpers lazily)
    port.SetOpen(false);
    const int threads = ThreadCount();
    const int descriptors = OpenDescriptorCount();
    for (int i = 0; i < 200; ++i) {
        port.SetOpen(true);
        if (i % 25 == 0) Answer(first, "z");
        port.SetOpen(false);
    }
    EXPECT_TRUE(QtWaitUntil([&] { return ThreadCount() == threads; }));
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
}
