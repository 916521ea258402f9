// The window against an instrument whose replies go wrong in each of the ways a real line can
// spoil them, over and over: Connect, then Read and Write on every tab. Throughout, the window
// answers within 200 ms, its memory stays level, and the lists only ever hold what they held or
// what the instrument holds; once the fault is gone, one Read per tab brings back exactly the
// instrument's lists. `make soak` runs it long (SOAK_FULL=1, SOAK_ROUNDS); `make test` runs a
// short round of each fault on the company tab.
#include <QLabel>
#include <cstdlib>
#include <map>

#include "ConversationFixture.h"
#include "CvInterceptors.h"
#include "GuiWatchdog.h"
#include "RegisterMap.h"

namespace {

using Lists = std::vector<std::vector<std::string>>;

struct Fault {
    const char* name;
    void (*apply)(sim::FaultSettings&);
};

const Fault kFaults[] = {
    {"silent", [](sim::FaultSettings& f) { f.silent = true; }},
    {"bad_checksum", [](sim::FaultSettings& f) { f.badChecksum = true; }},
    {"lower_checksum", [](sim::FaultSettings& f) { f.lowerCaseChecksum = true; }},
    {"wrong_case_serial", [](sim::FaultSettings& f) { f.wrongCaseSerial = true; }},
    {"no_cr", [](sim::FaultSettings& f) { f.noCarriageReturn = true; }},
    {"split", [](sim::FaultSettings& f) { f.splitBursts = 3; }},
    {"noise", [](sim::FaultSettings& f) { f.noise = true; }},
    {"drop", [](sim::FaultSettings& f) { f.dropBytes = 1; }},
    {"disconnect", [](sim::FaultSettings& f) { f.disconnectAfter = 12; }},
};

int EnvNumber(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : fallback;
}

class FaultSoakTest : public ConversationTest, public ::testing::WithParamInterface<Fault> {
  protected:
    const bool full = EnvNumber("SOAK_FULL", 0) != 0;
    const int rounds = EnvNumber("SOAK_ROUNDS", 2);

    Lists Grids() const {
        Lists lists;
        for (int list = 0; list < 8; ++list) {
            std::vector<std::string> rows;
            for (int row = 0; row < form->Grid(list)->RowCount(); ++row)
                rows.push_back(form->Grid(list)->Cell(row));
            lists.push_back(std::move(rows));
        }
        return lists;
    }

    // Each list entry as the instrument holds it now.
    Lists InstrumentLists() const {
        Lists lists = Grids();
        for (int reg = 40; reg <= 255; ++reg) {
            const auto entry = instrument::EntryOfRegister(static_cast<std::uint16_t>(reg));
            auto& rows = lists[static_cast<std::size_t>(entry->List)];
            if (entry->Entry >= static_cast<int>(rows.size())) continue;
            const std::string data = instrument->Register(reg);
            rows[static_cast<std::size_t>(entry->Entry)] =
                instrument::IsAddressRegister(static_cast<std::uint16_t>(reg))
                    ? instrument::DecodeAddress(data)
                    : instrument::DecodeEntry(data);
        }
        return lists;
    }

    void ExpectOnlyKnownEntries(const Lists& before, const char* action, int page) {
        const Lists now = Grids();
        const Lists held = InstrumentLists();
        for (std::size_t list = 0; list < now.size(); ++list)
            for (std::size_t row = 0; row < now[list].size(); ++row)
                EXPECT_TRUE(now[list][row] == before[list][row] || now[list][row] == held[list][row])
                    << action << " on page " << page << ": list " << list << " row " << row
                    << " holds \"" << now[list][row] << "\"";
    }

    // Presses a button and waits (a bounded time: under a fault the transfer may never finish)
    // for the sequencer to settle at the clock poll.
    void Act(QPushButton* button, int page = 0) {
        form->TabbedNotebook1->setCurrentIndex(page);
        const Lists before = Grids();
        button->setEnabled(true);
        button->click();
        QtWaitUntil([&] { return Idle(); }, std::chrono::seconds(15));
        ExpectOnlyKnownEntries(before, qPrintable(button->objectName()), page);
    }
};

}  // namespace

TEST_P(FaultSoakTest, TheWindowCopesAndRecoversWhenTheFaultEnds) {
    SimulatedInstrument::Settings settings;
    GetParam().apply(settings.faults);
    settings.faults.every = 8;
    StartInstrument(settings);
    GuiWatchdog watchdog;
    ASSERT_TRUE(QtWaitUntil([&] { return Listed(kCom); }, std::chrono::seconds(5)));
    ClickPort(kCom);

    const std::vector<int> pages = full ? std::vector<int>{0, 1, 2, 3, 4, 5, 6} : std::vector<int>{5};
    double firstRoundMiB = 0;
    for (int round = 0; round < rounds; ++round) {
        Act(form->ConnectButton);
        for (const int page : pages) {
            Act(form->RetrieveButton, page);
            Act(form->SendButton, page);
        }
        if (round == 0) firstRoundMiB = ResidentMiB();
    }
    const double lastRoundMiB = ResidentMiB();

    // The fault stops: the same instrument, answering cleanly, on the same port.
    std::vector<std::string> registers;
    for (int reg = 0; reg < 256; ++reg) registers.push_back(instrument->Register(reg));
    StartInstrument();
    for (int reg = 40; reg < 256; ++reg) instrument->SetRegister(reg, registers[static_cast<std::size_t>(reg)]);
    form->ConnectButton->setEnabled(true);
    form->ConnectButton->click();
    ASSERT_TRUE(QtWaitUntil([&] { return Idle() && form->SerialEB->text() == "A1234"; },
                            std::chrono::seconds(30)));
    for (int page = 0; page < 7; ++page) Transfer(page, form->RetrieveButton);
    EXPECT_EQ(Grids(), InstrumentLists());

    const auto longest = watchdog.LongestWait();
    std::printf("[ soak ] %-17s rounds %d  resident %.1f -> %.1f MiB  longest GUI wait %lld ms\n",
                GetParam().name, rounds, firstRoundMiB, lastRoundMiB,
                static_cast<long long>(longest.count()));
    EXPECT_LT(longest, std::chrono::milliseconds(200));
    EXPECT_LT(lastRoundMiB - firstRoundMiB, 8.0);
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultSoakTest, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& info) { return info.param.name; });
