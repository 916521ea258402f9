// The window against an instrument that falls silent, garbles a reply or vanishes.
#include <sys/resource.h>

#include <QLabel>

#include "ConversationFixture.h"
#include "CvInterceptors.h"
#include "RegisterMap.h"

namespace {

using Clock = std::chrono::steady_clock;

// Seconds of processor time this process has used so far.
double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class ConversationFaultsTest : public ConversationTest {
  protected:
    // Connects to an instrument whose tenth reply suffers `fault`, marks the last rows of the
    // vehicle list, starts reading it and returns once the faulty reply's command has gone out:
    // the replies to the first two read commands (rows 98 and 97) are fine.
    void StartFaultyRead(void (*fault)(sim::FaultSettings&)) {
        SimulatedInstrument::Settings settings;
        fault(settings.faults);
        settings.faults.every = 10;
        StartInstrument(settings);
        Connect();
        ASSERT_TRUE(QtWaitUntil([&] { return Payloads().size() == 7; }));
        for (int row = 95; row < 99; ++row) form->PlantSG->SetCell(row, "MARK");
        form->TabbedNotebook1->setCurrentIndex(0);
        form->RetrieveButton->click();
        ASSERT_TRUE(QtWaitUntil([&] { return Payloads().size() == 10; }));
        faultySentAt = Clock::now();
        EXPECT_EQ(form->ActivityLabel->text(), "Communicating with instrument");
        EXPECT_FALSE(form->ActivityLabel->isHidden());
    }

    // Time from the faulty reply's command to the serial-number query that starts again.
    double SecondsUntilRestart() {
        if (!QtWaitUntil([&] { return Payloads().size() > 10 && Payloads().back() == "Q"; },
                         std::chrono::seconds(20)))
            return -1;
        return std::chrono::duration<double>(Clock::now() - faultySentAt).count();
    }

    void ExpectEntriesBeforeTheFaultKept() {
        EXPECT_EQ(form->PlantSG->Cell(98), instrument::DecodeEntry(instrument->Register(146)));
        EXPECT_EQ(form->PlantSG->Cell(97), instrument::DecodeEntry(instrument->Register(145)));
        EXPECT_EQ(form->PlantSG->Cell(96), "MARK");
    }

    Clock::time_point faultySentAt;
};

}  // namespace

TEST_F(ConversationFaultsTest, ASilentInstrumentIsAskedAgainAfterTenSeconds) {
    StartFaultyRead([](sim::FaultSettings& faults) { faults.silent = true; });
    const double seconds = SecondsUntilRestart();
    EXPECT_GE(seconds, 9.0);
    EXPECT_LE(seconds, 12.0);
    ExpectEntriesBeforeTheFaultKept();
    // The conversation picks up again by itself.
    EXPECT_TRUE(QtWaitUntil([&] { return Idle() && form->SerialEB->text() == "A1234"; }));
    EXPECT_TRUE(messages.Messages().isEmpty());
}

TEST_F(ConversationFaultsTest, AGarbledReplyStopsTheTransferAtOnce) {
    StartFaultyRead([](sim::FaultSettings& faults) { faults.badChecksum = true; });
    const double seconds = SecondsUntilRestart();
    EXPECT_GE(seconds, 0.0);
    EXPECT_LE(seconds, 1.0);
    ExpectEntriesBeforeTheFaultKept();
    EXPECT_TRUE(messages.Messages().isEmpty());
}

TEST_F(ConversationFaultsTest, AVanishedInstrumentIsReportedAndFoundAgainWhenItReturns) {
    StartInstrument();
    Connect();
    form->TabbedNotebook1->setCurrentIndex(0);
    form->RetrieveButton->click();
    ASSERT_TRUE(QtWaitUntil([&] { return Payloads().size() >= 20; }));
    // The instrument goes away in the middle of the transfer, port link and all.
    published.Stop();

    ASSERT_TRUE(QtWaitUntil([&] { return !form->ActivityLabel->isHidden() &&
                                         form->ActivityLabel->text() ==
                                             "Problem transmitting on COM9"; },
                            std::chrono::seconds(15)));
    EXPECT_FALSE(form->SioComPort1.Open());
    // Nothing spins while it is gone: the processor time over two seconds of waiting (the one
    // wait here that is for a time, since a time is what it measures).
    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = Clock::now();
    QtWaitUntil([] { return false; }, std::chrono::seconds(2));
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    EXPECT_LT((ProcessCpuSeconds() - cpuBefore) / wall, 0.05);

    // An instrument back on COM 9 is found without a click.
    StartInstrument();
    EXPECT_TRUE(QtWaitUntil([&] { return Idle() && form->SerialEB->text() == "A1234" &&
                                         form->ActivityLabel->isHidden(); },
                            std::chrono::seconds(20)));
    EXPECT_TRUE(form->SioComPort1.Open());
    EXPECT_TRUE(messages.Messages().isEmpty()) << messages.Messages().join("|").toStdString();
}
