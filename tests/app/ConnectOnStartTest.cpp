// `--connect`: the start-up automation picks the port, connects and reads as a person would,
// and says why when it cannot.
#include <QLineEdit>
#include <QTabWidget>

#include "ConnectOnStart.h"
#include "CvInterceptors.h"
#include "MainFormFixture.h"
#include "PublishedInstrument.h"
#include "QtWaitUntil.h"
#include "RegisterMap.h"
#include "TRadioGroup.h"

namespace {

constexpr int kCom = 9;
constexpr std::uint16_t kFirstPlantRegister = 48;
constexpr std::uint16_t kLastPlantRegister = 146;

class ConnectOnStartTest : public MainFormTest {
  protected:
    // The window goes first: it still has the simulator's port open.
    void TearDown() override { form.reset(); }

    void Automate(bool readFirstPage, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        outcomes.clear();
        new ConnectOnStart(*form, {kCom, readFirstPage, limit},
                           [this](const QString& failure) { outcomes.append(failure); });
    }
    bool Finished() {
        return QtWaitUntil([&] { return !outcomes.isEmpty(); }, kPatience);
    }

    static constexpr std::chrono::seconds kPatience{40};
    PublishedInstrument published{kCom};
    QStringList outcomes;
};

TEST_F(ConnectOnStartTest, ConnectsOnceThePortIsListedAndReadsTheFirstList) {
    form->TabbedNotebook1->setCurrentIndex(3);
    Automate(true);
    // The port appears only after the automation has started.
    SimulatedInstrument& instrument = published.Start();
    instrument.SetRegister(kFirstPlantRegister, instrument::EncodeEntry("FIRST VAN"));
    instrument.SetRegister(kLastPlantRegister, instrument::EncodeEntry("LAST TRUCK"));

    ASSERT_TRUE(Finished());
    EXPECT_EQ(outcomes, QStringList{QString()});
    EXPECT_EQ(form->SelectedComNumber(), kCom);
    EXPECT_TRUE(form->SioComPort1.Open());
    EXPECT_EQ(form->SerialEB->text(), "A1234");
    EXPECT_TRUE(ConnectOnStart::TransferDone(*form));
    EXPECT_EQ(form->TabbedNotebook1->currentIndex(), 0);
    EXPECT_EQ(form->PlantSG->Cell(0), "FIRST VAN       ");
    EXPECT_EQ(form->PlantSG->Cell(98), "LAST TRUCK      ");
    EXPECT_TRUE(messages.Messages().isEmpty());
}

TEST_F(ConnectOnStartTest, WithoutAReadItOnlyConnectsAndReportsOnce) {
    SimulatedInstrument& instrument = published.Start();
    instrument.SetRegister(kFirstPlantRegister, instrument::EncodeEntry("FIRST VAN"));
    const std::string before = form->PlantSG->Cell(0);
    Automate(false);
    ASSERT_TRUE(Finished());
    EXPECT_EQ(outcomes, QStringList{QString()});
    EXPECT_TRUE(ConnectOnStart::Identified(*form));
    // The idle clock poll goes on; the list stays as it was and nothing is pressed again.
    const std::size_t received = instrument.Received().size();
    ASSERT_TRUE(QtWaitUntil([&] { return instrument.Received().size() > received; }));
    EXPECT_EQ(form->PlantSG->Cell(0), before);
    EXPECT_TRUE(ConnectOnStart::TransferDone(*form));
    EXPECT_EQ(outcomes.size(), 1);
}

TEST_F(ConnectOnStartTest, SaysWhyWhenItGivesUp) {
    Automate(true, std::chrono::milliseconds(300));
    ASSERT_TRUE(Finished());
    EXPECT_EQ(outcomes, QStringList{"COM 9 did not appear in the port list within 0.3 s"});
    EXPECT_FALSE(form->SioComPort1.Open());

    SimulatedInstrument::Settings silent;
    silent.faults.silent = true;
    published.Start(silent);
    Automate(true, std::chrono::seconds(4));
    ASSERT_TRUE(Finished());
    EXPECT_EQ(outcomes, QStringList{"no instrument answered on COM 9 within 4 s"});
    EXPECT_TRUE(form->SioComPort1.Open());
}

}  // namespace
