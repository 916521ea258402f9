// 100 MiB of random bytes poured into the open port as fast as the line takes them: the window
// stays responsive, its memory bounded, and the conversation picks up again afterwards.
#include <poll.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <atomic>
#include <random>
#include <thread>

#include "CvInterceptors.h"
#include "GuiWatchdog.h"
#include "InstrumentEngine.h"
#include "MainFormFixture.h"
#include "PtyPair.h"
#include "PublishedInstrument.h"
#include "QtWaitUntil.h"
#include "RegisterMap.h"
#include "TRadioGroup.h"

namespace {

// An instrument on a pseudo-terminal that answers commands and, when asked, floods the line.
class FloodingInstrument {
  public:
    FloodingInstrument() : thread_([this] { Serve(); }) {}
    ~FloodingInstrument() {
        stop_ = true;
        thread_.join();
    }

    const std::string& DevicePath() const { return pty_.SlavePath(); }
    const sim::InstrumentEngine& Engine() const { return engine_; }  // read once flooding ended
    void Flood(std::size_t bytes) { floodLeft_ = bytes; }
    bool Flooding() const { return floodLeft_ > 0; }

  private:
    void Serve() {
        std::mt19937 random(42);
        std::string junk(64 * 1024, '\0');
        while (!stop_) {
            pollfd fd{pty_.MasterFd(), static_cast<short>(POLLIN | (Flooding() ? POLLOUT : 0)), 0};
            if (::poll(&fd, 1, 10) <= 0) continue;
            if (fd.revents & POLLIN) {
                char buffer[512];
                const ssize_t got = ::read(pty_.MasterFd(), buffer, sizeof buffer);
                if (got > 0 && !Flooding())
                    for (const std::string& reply : engine_.Feed(std::string_view(buffer, got)))
                        pty_.Write(reply);
            }
            if ((fd.revents & POLLOUT) && Flooding()) {
                for (char& c : junk) c = static_cast<char>(random());
                const ssize_t sent = ::write(pty_.MasterFd(), junk.data(),
                                             std::min(junk.size(), floodLeft_.load()));
                if (sent > 0) floodLeft_ -= static_cast<std::size_t>(sent);
            }
        }
    }

    PtyPair pty_;
    sim::InstrumentEngine engine_;
    std::atomic<std::size_t> floodLeft_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

TEST_F(MainFormTest, AFloodOfRandomBytesLeavesTheWindowWorking) {
    FloodingInstrument instrument;
    PublishedInstrument port;
    port.Link(9, instrument.DevicePath());
    ASSERT_TRUE(QtWaitUntil([&] { return form->CommsRG->Items() == QStringList{" 9 "}; }));
    form->CommsRG->ItemButton(0)->click();
    form->ConnectButton->click();
    const auto connected = [&] { return form->Step == 99 && form->SerialEB->text() == "A1234"; };
    ASSERT_TRUE(QtWaitUntil(connected));

    GuiWatchdog watchdog;
    const double before = ResidentMiB();
    double highest = before;
    instrument.Flood(100u << 20);
    ASSERT_TRUE(QtWaitUntil(
        [&] {
            highest = std::max(highest, ResidentMiB());
            return !instrument.Flooding();
        },
        std::chrono::minutes(4)));
    std::printf("[ flood ] resident %.1f MiB, at most %.1f MiB; longest GUI wait %lld ms\n", before,
                highest, static_cast<long long>(watchdog.LongestWait().count()));
    EXPECT_LT(highest - before, 16.0);
    EXPECT_LT(watchdog.LongestWait(), std::chrono::milliseconds(200));

    // The conversation comes back by itself, and a list can be read again.
    ASSERT_TRUE(QtWaitUntil(connected, std::chrono::seconds(30)));
    form->TabbedNotebook1->setCurrentIndex(5);
    form->RetrieveButton->click();
    ASSERT_TRUE(QtWaitUntil([&] { return form->Step == 99; }));
    EXPECT_EQ(form->CompanySG->Cell(0), instrument::DecodeEntry(instrument.Engine().Register(255)));
}
