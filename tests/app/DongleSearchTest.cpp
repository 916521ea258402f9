// The window searching for Bluetooth devices through the simulated dongle, connecting to one and
// hanging up before it closes.
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <optional>

#include "ConversationFixture.h"
#include "ConversationLog.h"
#include "CvInterceptors.h"
#include "RegisterMap.h"

namespace {

using Clock = std::chrono::steady_clock;

class DongleSearchTest : public ConversationTest {
  protected:
    void SetUp() override {
        ConversationTest::SetUp();
        SimulatedInstrument::Settings settings;
        settings.dongle = true;
        // ROSTERMATE_CONVERSATION_LOG names a file for the simulator's account of the session.
        if (const char* path = std::getenv("ROSTERMATE_CONVERSATION_LOG")) {
            logFile.emplace(path);
            log.emplace(*logFile);
            settings.log = &*log;
        }
        StartInstrument(settings);
        form->show();
        ASSERT_TRUE(QtWaitUntil([&] { return Listed(kCom); }, std::chrono::seconds(5)));
        ClickPort(kCom);
    }

    // Waits until the dongle has received `text` after what it had received before, and says
    // when that was.
    std::optional<Clock::time_point> Sent(const std::string& text, std::size_t& from) {
        std::size_t at = std::string::npos;
        if (!QtWaitUntil([&] { return (at = instrument->Received().find(text, from)) !=
                                      std::string::npos; },
                         std::chrono::seconds(15)))
            return std::nullopt;
        from = at + text.size();
        return Clock::now();
    }

    void ClickItem(QListWidget* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }

    std::optional<std::ofstream> logFile;
    std::optional<sim::ConversationLog> log;
};

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

}  // namespace

TEST_F(DongleSearchTest, SearchListsTheDevicesAsTheyArriveAndAClickConnects) {
    form->SearchButton->click();
    EXPECT_FALSE(form->BluetoothPanel->isHidden());
    EXPECT_TRUE(form->TabbedNotebook1->isHidden());
    EXPECT_FALSE(form->CoverPanel->isHidden());
    EXPECT_FALSE(form->SearchButton->isEnabled());
    EXPECT_FALSE(form->ConnectButton->isEnabled());
    EXPECT_FALSE(form->CommsRG->isEnabled());

    std::size_t from = 0;
    std::vector<Clock::time_point> at;
    for (const char* command : {"+++", "AT+BTCANCEL\r", "ATH\r", "AT+BTINQ?\r"}) {
        const auto when = Sent(command, from);
        ASSERT_TRUE(when) << command;
        at.push_back(*when);
    }
    EXPECT_EQ(form->ActivityLabel->text(), "Communicating with dongle");
    // The dongle's steps follow each other every 2 s.
    for (std::size_t i = 1; i < at.size(); ++i) {
        EXPECT_GE(Seconds(at[i] - at[i - 1]), 1.8) << i;
        EXPECT_LE(Seconds(at[i] - at[i - 1]), 5.0) << i;
    }
    // Results are listed one by one as they come in.
    std::vector<int> counts;
    ASSERT_TRUE(QtWaitUntil([&] {
        if (counts.empty() || counts.back() != form->AddressLB->count())
            counts.push_back(form->AddressLB->count());
        return form->AddressLB->count() == 3;
    }));
    EXPECT_EQ(counts, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(form->AddressLB->item(0)->text(), "00126F3A41C2");
    EXPECT_EQ(form->FriendlyLB->item(0)->text(), "Tester A1234");
    EXPECT_EQ(form->FriendlyLB->item(2)->text(), "Depot laptop");
    EXPECT_EQ(form->Step, 2004);

    // A click on a name connects through the dongle, and the instrument sequence takes over.
    ClickItem(form->FriendlyLB, 0);
    const Clock::time_point clickedAt = Clock::now();
    EXPECT_EQ(form->BtAddress, "00126F3A41C2");
    EXPECT_EQ(form->AddressLB->currentRow(), 0);
    const auto cancelledAt = Sent("AT+BTCANCEL\r", from);
    ASSERT_TRUE(cancelledAt);
    EXPECT_LT(Seconds(*cancelledAt - clickedAt), 1.0);  // the click brings the next step forward
    ASSERT_TRUE(Sent("ATD\r", from));
    ASSERT_TRUE(QtWaitUntil([&] { return Idle() && form->SerialEB->text() == "A1234"; },
                            std::chrono::seconds(15)));
    EXPECT_TRUE(form->BluetoothPanel->isHidden());
    EXPECT_FALSE(form->TabbedNotebook1->isHidden());
    EXPECT_EQ(form->TypeLabel->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_EQ(form->TypeLabel->text(), "Brake tester 2B");
    Transfer(0, form->RetrieveButton);
    EXPECT_EQ(form->PlantSG->Cell(0), instrument::DecodeEntry(instrument->Register(48)));

    // Closing hangs the dongle up first; a second close meanwhile changes nothing.
    EXPECT_FALSE(form->close());
    const Clock::time_point closeAt = Clock::now();
    ASSERT_TRUE(Sent("+++", from));
    EXPECT_FALSE(form->close());
    EXPECT_NE(form->Step, 2200);
    ASSERT_TRUE(Sent("ATH\r", from));
    ASSERT_TRUE(QtWaitUntil([&] { return form->isHidden(); }));
    EXPECT_GE(Seconds(Clock::now() - closeAt), 3.5);
    EXPECT_TRUE(form->BtAddress.empty());
    EXPECT_FALSE(form->SioComPort1.Open());
    EXPECT_TRUE(messages.Messages().isEmpty());
}

TEST_F(DongleSearchTest, CancelHidesThePanelButTheSearchGoesOn) {
    form->SearchButton->click();
    std::size_t from = 0;
    ASSERT_TRUE(Sent("AT+BTCANCEL\r", from));
    form->AbandonButton->click();
    EXPECT_TRUE(form->BluetoothPanel->isHidden());
    EXPECT_TRUE(form->ActivityLabel->isHidden());
    EXPECT_TRUE(form->SearchButton->isEnabled());
    EXPECT_TRUE(form->ConnectButton->isEnabled());
    ASSERT_TRUE(Sent("ATH\r", from));
    EXPECT_FALSE(form->ActivityLabel->isHidden());
    ASSERT_TRUE(QtWaitUntil([&] { return form->AddressLB->count() == 3; }));
    // Clicking where there is no item chooses nothing.
    form->AddressLB->setCurrentRow(-1);
    form->AddressLBClick();
    EXPECT_TRUE(form->BtAddress.empty());
    EXPECT_EQ(form->Step, 2004);
    // With the panel hidden and no device chosen the window closes at once.
    EXPECT_TRUE(form->close());
}

TEST_F(ConversationTest, AWindowThatNeverOpenedAPortClosesAtOnce) {
    form->show();
    form->BluetoothPanel->show();
    EXPECT_TRUE(form->close());
}

TEST_F(DongleSearchTest, ADongleThatVanishesIsReportedOnceAndTheWindowStillCloses) {
    form->SearchButton->click();
    std::size_t from = 0;
    ASSERT_TRUE(Sent("+++", from));
    published.Stop();
    // Every later send fails; one message says so, and the step waits to be tried again.
    ASSERT_TRUE(QtWaitUntil([&] { return messages.Messages().size() == 1; }));
    const std::uint16_t stuckAt = form->Step;
    ASSERT_TRUE(QtWaitUntil([&] { return form->Timer1->interval() == 2000; }));
    int ticks = 0;
    QObject::connect(form->Timer1, &QTimer::timeout, [&] { ++ticks; });
    ASSERT_TRUE(QtWaitUntil([&] { return ticks >= 2; }));
    EXPECT_EQ(form->Step, stuckAt);
    EXPECT_EQ(messages.Messages().size(), 1);

    // Closing cannot hang up a dongle that is gone, but the window closes all the same.
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(QtWaitUntil([&] { return form->isHidden(); }));
    EXPECT_EQ(messages.Messages().size(), 2);
    EXPECT_FALSE(form->Timer1->isActive());
}
