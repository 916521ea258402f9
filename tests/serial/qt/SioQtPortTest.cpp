// The com port under the Qt event loop: its events run on the GUI thread.
#include <gtest/gtest.h>

#include <QComboBox>
#include <cerrno>
#include <stdexcept>

#include "FakeSerialDevice.h"
#include "QtWaitUntil.h"
#include "SioExceptionDisplay.h"
#include "SioPort.h"
#include "SioPortChoice.h"
#include "SioPortHooks.h"
#include "SioPosixErrors.h"
#include "SioQtGlue.h"
#include "SioQtNotifier.h"
#include "SioSelCom.h"

namespace {

class QtPortFixture : public ::testing::Test {
  protected:
    QtPortFixture() {
        InstallSioQtGlue();
        port.SetComNumber(1);
        port.SetDispatcherFactory([this](TSioCustomComPort&) {
            auto d = std::make_unique<TFakeSerialDevice>(nullptr, true);
            device = d.get();
            return std::unique_ptr<TSioBaseDispatcher>(std::move(d));
        });
        previous =
            SetSioExceptionDisplay([this](const std::string& text) { shown.push_back(text); });
    }
    ~QtPortFixture() override {
        SetSioExceptionDisplay(previous);
        SetSioNotifierFactory({});
        SetSioPortPrompt({});
    }

    TSioComPort port;
    TFakeSerialDevice* device = nullptr;
    std::vector<std::string> shown;
    TSioExceptionDisplay previous;
};

}  // namespace

TEST_F(QtPortFixture, EventsRunOnTheGuiThroughTheQtNotifier) {
    const auto gui = std::this_thread::get_id();
    std::vector<std::uint16_t> counts;
    std::string read;
    bool onGui = true;
    port.OnTriggerAvail = [&](TSioPort p, std::uint16_t count) {
        onGui = onGui && std::this_thread::get_id() == gui;
        counts.push_back(count);
        while (count--) read.push_back(p->ReadChar());
        if (counts.size() == 1) throw std::runtime_error("shown once");
    };
    port.SetOpen(true);
    ASSERT_NE(dynamic_cast<TSioQtNotifier*>(port.NotifyWindow()), nullptr);
    device->Arrive("AB");
    ASSERT_TRUE(QtWaitUntil([&] { return counts.size() == 1; }));
    device->Arrive("C");
    ASSERT_TRUE(QtWaitUntil([&] { return counts.size() == 2; }));
    EXPECT_EQ(counts, (std::vector<std::uint16_t>{2, 1}));
    EXPECT_EQ(read, "ABC");
    EXPECT_TRUE(onGui);
    EXPECT_EQ(shown, std::vector<std::string>{"shown once"});
}

TEST_F(QtPortFixture, ClosingInsideAHandlerFinishesThroughTheEventLoop) {
    bool closeHeard = false;
    port.OnPortClose = [&](TSioPort p) { closeHeard = p->Open(); };
    port.OnTriggerAvail = [&](TSioPort p, std::uint16_t) { p->SetOpen(false); };
    port.SetOpen(true);
    device->Arrive("x");
    ASSERT_TRUE(QtWaitUntil([&] { return closeHeard; }));
    ASSERT_TRUE(QtWaitUntil([&] { return !port.Open(); }));
    EXPECT_EQ(port.Dispatcher(), nullptr);
}

TEST(SioSelCom, OffersTheAvailablePortsAndYieldsTheChosenNumber) {
    std::vector<TSioSerialCommEntry> entries;
    for (int n : {1, 2, 3, 4, 51})
        entries.push_back({"", "COM" + std::to_string(n), "/dev/p" + std::to_string(n), n});
    const auto numbers = AvailablePortNumbers(entries, [](const std::string& path) -> std::int32_t {
        if (path == "/dev/p1") return 0;
        if (path == "/dev/p2") return SioDeviceHeldCode();
        if (path == "/dev/p3") return SioCodeForErrno(EACCES);
        return 2;  // missing
    });
    EXPECT_EQ(numbers, (std::vector<std::uint16_t>{1, 2, 3}));

    TSioSelComDialog dialog(numbers);
    EXPECT_EQ(dialog.windowTitle(), "Select Port");
    ASSERT_EQ(dialog.PortList()->count(), 3);
    EXPECT_EQ(dialog.PortList()->itemText(2), "COM3");
    EXPECT_EQ(dialog.SelectedNumber(), 1);
    dialog.PortList()->setCurrentIndex(2);
    EXPECT_EQ(dialog.SelectedNumber(), 3);
    EXPECT_EQ(PortNumberFromEntry("COM12"), 12);
    EXPECT_EQ(PortNumberFromEntry("COM"), 0);
}

TEST_F(QtPortFixture, APortWithoutNumberAsksAndOpensTheChosenOne) {
    port.SetComNumber(0);
    SetSioPortPrompt([] { return std::optional<std::uint16_t>(4); });
    port.SetOpen(true);
    EXPECT_EQ(port.ComNumber(), 4);
    EXPECT_EQ(device->DeviceName(), "COM4");
    port.SetOpen(false);
    port.SetComNumber(0);
    SetSioPortPrompt([] { return std::optional<std::uint16_t>(); });
    EXPECT_THROW(port.SetOpen(true), ENoPortSelected);
    EXPECT_FALSE(port.Open());
}
