#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "MainFormFixture.h"
#include "QtWaitUntil.h"
#include "PublishedInstrument.h"
#include "SimFraming.h"
#include "TRadioGroup.h"

// The real window talking to the simulated instrument over a pseudo-terminal published as COM9.
class ConversationTest : public MainFormTest {
  protected:
    static constexpr int kCom = 9;

    void SetUp() override {
        MainFormTest::SetUp();
        form->LocalClock = [this] { return clock; };
    }
    void TearDown() override { form.reset(); }

    // A simulator (replacing any earlier one) published as COM9.
    void StartInstrument(SimulatedInstrument::Settings settings = {}) {
        instrument = &published.Start(std::move(settings));
    }

    QStringList Items() const { return form->CommsRG->Items(); }
    bool Listed(int com) const { return Items().contains(QStringLiteral(" %1 ").arg(com)); }

    // Clicks the item of this port as a person would.
    void ClickPort(int com) {
        const int index = static_cast<int>(Items().indexOf(QStringLiteral(" %1 ").arg(com)));
        ASSERT_GE(index, 0);
        form->CommsRG->findChildren<QRadioButton*>().at(index)->click();
    }

    bool Idle() const { return form->Step == 99; }

    // COM9 listed, clicked, Connect pressed, and the instrument identified.
    void Connect() {
        ASSERT_TRUE(QtWaitUntil([&] { return Listed(kCom); }, std::chrono::seconds(5)));
        ClickPort(kCom);
        form->ConnectButton->click();
        ASSERT_TRUE(QtWaitUntil([&] { return Idle() && form->SerialEB->text() == "A1234"; }));
    }

    // Presses a button on a page and waits for the sequencer to come back to the clock poll.
    void Transfer(int page, QPushButton* button) {
        form->TabbedNotebook1->setCurrentIndex(page);
        button->click();
        ASSERT_FALSE(Idle());
        ASSERT_TRUE(QtWaitUntil([&] { return Idle(); }, std::chrono::seconds(20)));
    }

    // The payloads of the commands the instrument has received, in order.
    std::vector<std::string> Payloads() const {
        std::vector<std::string> payloads;
        std::string line;
        for (const char c : instrument->Received()) {
            if (c == '!') line.clear();
            line += c;
            if (c != '\r') continue;
            if (const auto command = sim::ParseCommand(line.substr(0, line.size() - 1)))
                payloads.push_back(command->payload);
            line.clear();
        }
        return payloads;
    }

    PublishedInstrument published{kCom};
    SimulatedInstrument* instrument = nullptr;  // the one published now
    QDateTime clock{QDate(2026, 3, 4), QTime(5, 6, 7)};
};
