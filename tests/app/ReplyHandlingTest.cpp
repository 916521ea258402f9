// What replies change in the window, and what failed sends do, on a scripted device.
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <atomic>
#include <thread>

#include "CvInterceptors.h"
#include "FakePortFixture.h"
#include "QtWaitUntil.h"
#include "RegisterMap.h"
#include "ScopedEnv.h"
#include "SimFraming.h"

namespace {

class ReplyHandlingTest : public FakePortFormTest {
  protected:
    void SetUp() override {
        FakePortFormTest::SetUp();
        // The window's data event, wrapped so that the test knows when one has run.
        form->SioComPort1.OnTriggerAvail = [this](TSioPort port, std::uint16_t count) {
            form->SioComPort1TriggerAvail(port, count);
            handled = true;
        };
        form->SioComPort1.SetOpen(true);
        form->SerialEB->setText("A1234");
    }

    // The instrument's reply arrives; returns once the window has taken every character.
    void Arrive(const std::string& bytes) {
        handled = false;
        device->Arrive(bytes);
        ASSERT_TRUE(QtWaitUntil([&] { return form->SioComPort1.InputCount() == 0 && handled; }));
    }
    static std::string Reply(char type, const std::string& payload) {
        return sim::ReplyFrame("A1234", type, payload);
    }

    bool handled = false;
};

}  // namespace

TEST_F(ReplyHandlingTest, TimeRepliesOfEitherKindAndBadTimes) {
    const QString expected = "Instrument time:  " + QLocale().toString(QDateTime(QDate(2026, 12, 31),
                                                                               QTime(23, 59)),
                                                                     "dd-MMM-yyyy  hh:mm");
    Arrive(Reply('D', "1A0C1F173B00"));
    EXPECT_EQ(form->TimeLabel->text(), expected);
    form->TimeLabel->clear();
    Arrive(Reply('E', "1a0c1f173b00"));
    EXPECT_EQ(form->TimeLabel->text(), expected);
    Arrive(Reply('E', "1A021D000000"));  // 29 February 2026
    EXPECT_EQ(form->TimeLabel->text(), "Bad instrument time");
    Arrive(Reply('E', "1A0C1F183B00"));  // hour 24
    EXPECT_EQ(form->TimeLabel->text(), "Bad instrument time");
    // The hour the computer's clocks skip in spring is a time like any other to the instrument.
    {
        ScopedEnv zone("TZ", "Europe/London");
        tzset();
        Arrive(Reply('E', "1A031D011E00"));  // 29 March 2026, 01:30
        EXPECT_TRUE(form->TimeLabel->text().endsWith("2026  01:30"))
            << form->TimeLabel->text().toStdString();
    }
    tzset();
    EXPECT_TRUE(messages.Messages().isEmpty());
}

TEST_F(ReplyHandlingTest, FramesAreHandledAtTheirCarriageReturnWhateverSurroundsThem) {
    // Noise before, a line feed after, and a second reply in the same burst.
    Arrive("\x05zz" + Reply('a', "8005V9.99 2027-01-01") + "\n" + Reply('a', "8016xWhatever") +
           "\r\n");
    EXPECT_EQ(form->SoftVerLabel->text(), "V9.99 2027-01-01");
    EXPECT_EQ(form->TypeLabel->text(), "____________");
    EXPECT_TRUE(messages.Messages().isEmpty());
    EXPECT_TRUE(form->ReplyValid);

    // A frame that fails the check clears the valid reply before it and still paces the timer.
    form->Step = 35;
    form->Timer1->setInterval(1000);
    std::string bad = Reply('a', "8005V1.00 2020-01-01");
    bad[bad.size() - 2] ^= 1;
    Arrive(bad);
    EXPECT_FALSE(form->ReplyValid);
    EXPECT_EQ(form->SoftVerLabel->text(), "V9.99 2027-01-01");
    EXPECT_EQ(form->Timer1->interval(), 20);
    // At the idle poll a reply does not hurry the timer.
    form->Step = 99;
    form->Timer1->setInterval(5000);
    Arrive(Reply('E', "1A0C1F173B00"));
    EXPECT_EQ(form->Timer1->interval(), 5000);
}

TEST_F(ReplyHandlingTest, RegisterRepliesFillTheirListsAndTheCompanyEndsATransfer) {
    form->AdvanceOnReply = true;
    form->Step = 3;
    // Any valid reply moves a fixed step on, whatever its type.
    Arrive(Reply('Z', "x"));
    EXPECT_EQ(form->Step, 4);
    form->AdvanceOnReply = false;

    Arrive(Reply('3', "0010" + instrument::EncodeEntry("31-DEC-2027")));
    EXPECT_EQ(form->CalibLabel->text(), "Calibrate before:  31-DEC-2027     ");
    Arrive(Reply('3', "0028" + instrument::EncodeAddress("0012F3A4B5C6")));
    EXPECT_EQ(form->AddressSG->Cell(0), "0012F3A4B5C6 ");
    Arrive(Reply('3', "00DA" + instrument::EncodeEntry("TRAILER 72")));  // beyond the 70 rows
    EXPECT_EQ(form->TrailerSG->RowCount(), 70);
    const QString calibration = form->CalibLabel->text();
    const std::string lastPlant = form->PlantSG->Cell(98);
    Arrive(Reply('3', "000F" + instrument::EncodeEntry("NOT A LIST")));
    Arrive(Reply('3', "zz92" + instrument::EncodeEntry("NOT A LIST")));
    EXPECT_EQ(form->CalibLabel->text(), calibration);
    EXPECT_EQ(form->PlantSG->Cell(98), lastPlant);
    Arrive(Reply('3', "0092" + instrument::EncodeEntry("VAN\tNINE")));
    EXPECT_EQ(form->PlantSG->Cell(98), "VAN NINE        ");
    EXPECT_TRUE(form->CorruptBits.IsSet(0, 98));

    // The company's write echo ends a transfer in progress.
    form->Step = 30;
    form->EntryCount = 12;
    Arrive(Reply('2', "00FF" + instrument::EncodeEntry("Corvane Ltd")));
    EXPECT_EQ(form->Step, 99);
    EXPECT_EQ(form->CompanySG->Cell(0), "Corvane Ltd     ");
    EXPECT_TRUE(messages.Messages().isEmpty());
}

TEST_F(ReplyHandlingTest, ABurstOfRepliesMovesTheSequenceOnOnlyOnce) {
    form->Step = 0;
    form->AdvanceOnReply = true;
    Arrive(sim::ReplyFrame("A1234", 'Q', "A1234") + "\n" + sim::ReplyFrame("A1234", 'Q', "A1234"));
    EXPECT_EQ(form->Step, 1);
}

TEST_F(ReplyHandlingTest, ALateReplyDoesNotSkipAStepOfTheDongleHangUp) {
    form->Step = 1;
    form->AdvanceOnReply = true;
    form->BtAddress = "00126F3A41C2";
    EXPECT_FALSE(form->close());
    EXPECT_EQ(form->Step, 2200);
    Arrive(Reply('D', "1A0C1F173B00"));
    EXPECT_EQ(form->Step, 2200);
}

TEST_F(ReplyHandlingTest, ADongleLineAfterItsOkBringsTheNextStepForward) {
    form->Step = 2001;
    form->Timer1->start(2000);
    Arrive("\r\nOK\r\n");
    EXPECT_EQ(form->BlueLabel->text(), "OK");
    EXPECT_EQ(form->Timer1->interval(), 2000);
    Arrive("READY\r\n");
    EXPECT_EQ(form->Timer1->interval(), 200);
    EXPECT_EQ(form->ConnectStepLabel->text(), "2001");
}

TEST_F(ReplyHandlingTest, FramesArrivingFasterThanTheTickDoNotHoldItOff) {
    form->Step = 35;
    int ticks = 0;
    QObject::connect(form->Timer1, &QTimer::timeout, [&] { ++ticks; });
    form->Timer1->start(20);
    std::atomic<bool> stop = false;
    std::thread talker([&] {
        while (!stop) {
            device->Arrive(":noise\r");
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        }
    });
    const bool ticked = QtWaitUntil([&] { return ticks > 0; }, std::chrono::seconds(3));
    stop = true;
    talker.join();
    EXPECT_TRUE(ticked);
}

TEST_F(ReplyHandlingTest, AFailureInsideTheDataEventIsShownWithTheFrameSoFar) {
    form->Rx.RxBuffer = ":A12";
    form->Rx.FrameStarted = true;
    // More characters announced than there are: reading the first one fails, and the event ends.
    form->SioComPort1TriggerAvail(&form->SioComPort1, 3);
    EXPECT_EQ(messages.Take(), QStringList{"Problem :A12"});
    EXPECT_EQ(form->Rx.RxBuffer, ":A12");
}

TEST_F(ReplyHandlingTest, FailedSendsAreReportedOnceAndThePortLetGo) {
    // A failure other than a vanished or unknown port is shown at once, and the send counts.
    form->SioComPort1.SetOpen(false);
    form->SioComPort1.SetAutoOpen(false);
    form->TxCommand = "E";
    form->FrameCommand();
    const QStringList shown = messages.Take();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith("Problem transmitting on COM5:\r\n")) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].endsWith(" (ECommNotOpen)")) << shown[0].toStdString();
    EXPECT_FALSE(form->ReplyValid);
    EXPECT_EQ(form->OutLabel->text(), "!A1234E" + QString::fromStdString(sim::UpperHex(
                                                      sim::ByteSum("A1234E"), 2)) + "\r");

    // A port that is not there: the sequencer says so in the status line and closes the port.
    form->SioComPort1.SetAutoOpen(true);
    form->SioComPort1.SetDispatcherFactory({});
    form->SioComPort1.SetComNumber(240);
    form->ReplyValid = true;
    form->Step = 2;
    form->Timer1->start(10);
    ASSERT_TRUE(QtWaitUntil([&] { return !form->ActivityLabel->isHidden(); }));
    EXPECT_EQ(form->ActivityLabel->text(), "Problem transmitting on COM240");
    EXPECT_EQ(form->Step, 99);
    EXPECT_EQ(form->Timer1->interval(), 5000);
    EXPECT_FALSE(form->SioComPort1.Open());
    EXPECT_TRUE(messages.Messages().isEmpty());
}
