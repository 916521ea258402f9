// The window against the simulated instrument: the port list, connecting, the idle poll, reading
// and writing every list, setting the clock.
#include <QLabel>
#include <QToolTip>

#include "ConversationFixture.h"
#include "CvInterceptors.h"
#include "RegisterMap.h"
#include "SioStatLt.h"

namespace {

QString Text(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TEST_F(ConversationTest, ThePortListFollowsThePortsThatComeAndGo) {
    // Connect with nothing selected does nothing.
    form->ConnectButton->setEnabled(true);
    form->ConnectButton->click();
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_FALSE(form->SioComPort1.Open());

    StartInstrument();
    ASSERT_TRUE(QtWaitUntil([&] { return Listed(kCom); }, std::chrono::seconds(3)));
    EXPECT_EQ(Items(), QStringList{" 9 "});
    EXPECT_FALSE(form->ConnectButton->isEnabled());
    const auto* item = form->CommsRG->findChildren<QRadioButton*>().at(0);
    EXPECT_EQ(item->toolTip(), Text(instrument->DevicePath()));
    ClickPort(kCom);
    EXPECT_EQ(form->SelectedComNumber(), kCom);
    EXPECT_TRUE(form->SearchButton->isEnabled());
    EXPECT_TRUE(form->ConnectButton->isEnabled());

    // The selected port goes: its item, the selection and both buttons go with it.
    published.Unpublish();
    ASSERT_TRUE(QtWaitUntil([&] { return Items().isEmpty(); }, std::chrono::seconds(3)));
    EXPECT_EQ(form->SelectedComNumber(), 0);
    EXPECT_FALSE(form->SearchButton->isEnabled());
    EXPECT_FALSE(form->ConnectButton->isEnabled());
    // Back again, it is listed but not chosen.
    published.Link(kCom, instrument->DevicePath());
    ASSERT_TRUE(QtWaitUntil([&] { return Listed(kCom); }, std::chrono::seconds(3)));
    EXPECT_EQ(form->CommsRG->ItemIndex(), -1);
    EXPECT_FALSE(form->ConnectButton->isEnabled());
    EXPECT_TRUE(messages.Messages().isEmpty());
}

TEST_F(ConversationTest, ConnectIdentifiesTheInstrumentAndSetsItsClock) {
    StartInstrument();
    Connect();
    EXPECT_TRUE(form->SioComPort1.Open());
    EXPECT_FALSE(form->CommsRG->isEnabled());
    EXPECT_TRUE(form->SioSLController1.Monitoring());
    EXPECT_FALSE(form->CoverPanel->isVisibleTo(form.get()));
    EXPECT_FALSE(form->TabbedNotebook1->isHidden());

    // The clock poll follows at once, then every 5 s.
    ASSERT_TRUE(QtWaitUntil([&] { return Payloads().size() >= 7; }));
    EXPECT_EQ(Payloads(), (std::vector<std::string>{"Q", "D1A0304050607", "E", "30010", "a8005",
                                                    "a8016", "E"}));
    EXPECT_TRUE(QtWaitUntil([&] { return form->ActivityLabel->isHidden(); }));

    const QString expectedTime =
        QLocale().toString(QDateTime(QDate(2026, 3, 4), QTime(5, 6)), "dd-MMM-yyyy  hh:mm");
    EXPECT_EQ(form->TimeLabel->text(), "Instrument time:  " + expectedTime);
    std::string calibration = instrument->Register(16);
    std::reverse(calibration.begin(), calibration.end());
    EXPECT_EQ(form->CalibLabel->text(), "Calibrate before:  " + Text(calibration));
    EXPECT_EQ(form->SoftVerLabel->text(), "V2.31 2026-11-02");
    EXPECT_EQ(form->TypeLabel->text(), "Brake tester 2B");
    EXPECT_EQ(form->SerialLabel->text(), "Serial:");
    EXPECT_FALSE(form->SerialLabel->isHidden());
    EXPECT_EQ(form->ConnectStepLabel->text(), "99");
    EXPECT_TRUE(form->OutLabel->text().startsWith("!A1234E"));
    EXPECT_TRUE(QtWaitUntil([&] { return form->InLabel->text().startsWith(":A1234E"); }));
    EXPECT_TRUE(messages.Messages().isEmpty());
}

TEST_F(ConversationTest, ReadingFillsEveryListWithTheInstrumentsEntries) {
    SimulatedInstrument::Settings settings;
    StartInstrument(settings);
    // A character the instrument cannot hold: the entry arrives blanked there and marked.
    instrument->SetRegister(50, instrument::EncodeEntry("BAD\x7F" "ENTRY"));
    Connect();
    for (int page = 0; page < 7; ++page) Transfer(page, form->RetrieveButton);

    for (int reg = 40; reg <= 255; ++reg) {
        if (reg == 217 || reg == 218) continue;  // trailer registers beyond the 70 entries
        const auto entry = instrument::EntryOfRegister(static_cast<std::uint16_t>(reg));
        ASSERT_TRUE(entry);
        const std::string data = instrument->Register(reg);
        std::string expected = instrument::IsAddressRegister(static_cast<std::uint16_t>(reg))
                                   ? instrument::DecodeAddress(data)
                                   : instrument::DecodeEntry(data);
        if (reg == 50) expected = "BAD ENTRY       ";
        EXPECT_EQ(form->Grid(entry->List)->Cell(entry->Entry), expected) << "register " << reg;
        EXPECT_EQ(form->CorruptBits.IsSet(entry->List, entry->Entry), reg == 50) << reg;
    }
    EXPECT_EQ(form->AddressSG->Cell(0).size(), 13u);
    EXPECT_TRUE(messages.Messages().isEmpty());
}

TEST_F(ConversationTest, WhatIsWrittenIsReadBack) {
    StartInstrument();
    Connect();
    form->PlantSG->SetCell(0, "FIRST VAN");
    form->PlantSG->SetCell(98, "LAST TRUCK WITH A LONG NAME");
    form->CompanySG->SetCell(0, "Corvane Ltd");
    form->AddressSG->SetCell(7, "0012F3A4B5C6");
    form->FriendlySG->SetCell(0, "Tester 7");
    Transfer(0, form->SendButton);
    Transfer(5, form->SendButton);
    Transfer(6, form->SendButton);
    EXPECT_EQ(instrument->Register(48), instrument::EncodeEntry("FIRST VAN"));
    EXPECT_EQ(instrument->Register(146), instrument::EncodeEntry("LAST TRUCK WITH A"));
    EXPECT_EQ(instrument->Register(255), "     dtL enavroC");
    EXPECT_EQ(instrument->Register(47), " 6C5B4A3F2100000");
    EXPECT_EQ(instrument->Register(219), instrument::EncodeEntry("Tester 7"));
    // The write echoes have already put the instrument's texts into the grids.
    EXPECT_EQ(form->PlantSG->Cell(98), "LAST TRUCK WITH ");

    for (TStringGrid* grid : {form->PlantSG, form->CompanySG, form->AddressSG, form->FriendlySG})
        for (int row = 0; row < grid->RowCount(); ++row) grid->SetCell(row, "");
    Transfer(0, form->RetrieveButton);
    Transfer(5, form->RetrieveButton);
    Transfer(6, form->RetrieveButton);
    EXPECT_EQ(form->PlantSG->Cell(0), "FIRST VAN       ");
    EXPECT_EQ(form->CompanySG->Cell(0), "Corvane Ltd     ");
    EXPECT_EQ(form->AddressSG->Cell(7), "0012F3A4B5C6 ");
    EXPECT_EQ(form->FriendlySG->Cell(0), "Tester 7        ");
    EXPECT_TRUE(messages.Messages().isEmpty());
}

TEST_F(ConversationTest, SetTimeSendsTheComputersClockAndShowsTheInstruments) {
    StartInstrument();
    Connect();
    clock = QDateTime(QDate(2027, 11, 30), QTime(22, 59, 58));
    const std::size_t before = Payloads().size();
    form->SetTimeButton->click();
    ASSERT_TRUE(QtWaitUntil([&] { return Idle() && Payloads().size() >= before + 5; }));
    const std::vector<std::string> payloads = Payloads();
    EXPECT_EQ(std::vector<std::string>(payloads.begin() + static_cast<long>(before),
                                       payloads.begin() + static_cast<long>(before) + 5),
              (std::vector<std::string>{"D1B0B1E163B3A", "E", "30010", "a8005", "a8016"}));
    EXPECT_TRUE(form->TimeLabel->text().contains("2027  22:5")) << form->TimeLabel->text().toStdString();
}

TEST_F(ConversationTest, ConnectAgainAsksAgainAndTheListStaysAsItWasWhenOpened) {
    StartInstrument();
    Connect();
    // Ports that come after the port was opened are not listed.
    published.Link(12, instrument->DevicePath());
    int refreshTicks = 0;
    QObject::connect(form->Timer2, &QTimer::timeout, [&] { ++refreshTicks; });
    ASSERT_TRUE(QtWaitUntil([&] { return refreshTicks >= 2; }));
    EXPECT_EQ(Items(), QStringList{" 9 "});

    // Connect on an open port starts the sequence again without opening anything.
    const std::size_t before = Payloads().size();
    form->ConnectButton->setEnabled(true);
    form->ConnectButton->click();
    EXPECT_EQ(form->Step, 0);
    ASSERT_TRUE(QtWaitUntil([&] { return Idle() && Payloads().size() >= before + 6; }));
    EXPECT_EQ(Payloads()[before], "Q");
    EXPECT_TRUE(form->SioComPort1.Open());
    EXPECT_TRUE(messages.Messages().isEmpty());
}

TEST_F(ConversationTest, APortThatCannotBeOpenedIsSaidSoAndTheSequencerTriesOnUse) {
    // A character device that is no serial line.
    published.Link(kCom, "/dev/null");
    ASSERT_TRUE(QtWaitUntil([&] { return Listed(kCom); }, std::chrono::seconds(3)));
    ClickPort(kCom);
    form->ConnectButton->click();
    const QStringList said = messages.Take();
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].startsWith("Problem opening COM port\r\n/dev/null: "))
        << said[0].toStdString();
    EXPECT_TRUE(form->CommsRG->isEnabled());
    EXPECT_TRUE(form->Timer1->isActive());
    // Its sends open the port on use, which fails the same way: said in the status line.
    ASSERT_TRUE(QtWaitUntil([&] { return !form->ActivityLabel->isHidden(); }));
    EXPECT_EQ(form->ActivityLabel->text(), "Problem transmitting on COM9");
    EXPECT_EQ(form->Step, 99);
}

TEST_F(ConversationTest, APortNumberedAbove255IsListedButCannotBeUsed) {
    StartInstrument();
    published.Link(300, instrument->DevicePath());
    ASSERT_TRUE(QtWaitUntil([&] { return Listed(300); }, std::chrono::seconds(3)));
    ClickPort(300);
    EXPECT_EQ(form->SelectedComNumber(), 0);
    form->ConnectButton->click();
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_FALSE(form->SioComPort1.Open());
}
