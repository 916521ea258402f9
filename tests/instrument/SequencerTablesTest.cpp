// The sequencer's steps, lists and registers.
#include <gtest/gtest.h>

#include <vector>

#include "SequencerTables.h"

using namespace instrument;

TEST(SequencerTablesTest, FixedStepsSendTheirLiteralPayloads) {
    EXPECT_EQ(FixedStepPayload(0), "Q");
    EXPECT_FALSE(FixedStepPayload(1));
    EXPECT_EQ(FixedStepPayload(2), "E");
    EXPECT_EQ(FixedStepPayload(3), "30010");
    EXPECT_EQ(FixedStepPayload(4), "a8005");
    EXPECT_EQ(FixedStepPayload(5), "a8016");
    EXPECT_FALSE(FixedStepPayload(6));
    EXPECT_EQ(FixedStepPayload(99), "E");
    EXPECT_FALSE(FixedStepPayload(30));
    EXPECT_EQ(ClockPayload(2026, 12, 8, 23, 5, 59), "D1A0C0817053B");
}

TEST(SequencerTablesTest, EachPageHasItsStepsCountAndRegisters) {
    struct Page {
        std::uint16_t write, read, count, first, last;
    };
    // first and last: the registers of the first and the last command of a transfer.
    const Page pages[] = {{30, 35, 99, 146, 48}, {40, 45, 70, 216, 147}, {50, 55, 16, 250, 235},
                          {70, 75, 4, 254, 251}, {60, 65, 8, 234, 227},  {80, 85, 1, 255, 255},
                          {86, 87, 16, 226, 40}};
    for (int page = 0; page < 7; ++page) {
        const TransferList* transfer = TransferOfPage(page);
        ASSERT_NE(transfer, nullptr);
        EXPECT_EQ(transfer->WriteStep, pages[page].write);
        EXPECT_EQ(transfer->ReadStep, pages[page].read);
        EXPECT_EQ(transfer->StartCount, pages[page].count);
        EXPECT_EQ(EntryOfTransfer(*transfer, transfer->StartCount - 1).Register, pages[page].first);
        EXPECT_EQ(EntryOfTransfer(*transfer, 0).Register, pages[page].last);
        const auto write = TransferOfStep(transfer->WriteStep);
        const auto read = TransferOfStep(transfer->ReadStep);
        ASSERT_TRUE(write && read);
        EXPECT_TRUE(write->Write);
        EXPECT_FALSE(read->Write);
        EXPECT_EQ(write->Transfer, transfer);
        EXPECT_EQ(read->Transfer, transfer);
    }
    EXPECT_EQ(TransferOfPage(7), nullptr);
    EXPECT_EQ(TransferOfPage(-1), nullptr);
    for (const std::uint16_t step : {0, 6, 31, 99, 2000}) EXPECT_FALSE(TransferOfStep(step)) << step;
}

TEST(SequencerTablesTest, TheBluetoothPageReadsNamesThenAddresses) {
    const TransferList& bluetooth = *TransferOfPage(6);
    std::vector<int> registers;
    std::vector<std::string> payloads;
    for (int count = bluetooth.StartCount; count-- > 0;) {
        const TransferEntry entry = EntryOfTransfer(bluetooth, static_cast<std::uint16_t>(count));
        registers.push_back(entry.Register);
        payloads.push_back(ReadPayload(entry.Register));
        EXPECT_EQ(entry.Address, count < 8);
        EXPECT_EQ(entry.List, count < 8 ? 6 : 7);
        EXPECT_EQ(entry.Entry, count % 8);
    }
    EXPECT_EQ(registers, (std::vector<int>{226, 225, 224, 223, 222, 221, 220, 219, 47, 46, 45, 44,
                                           43, 42, 41, 40}));
    EXPECT_EQ(payloads.front(), "300E2");
    EXPECT_EQ(payloads.back(), "30028");
}

TEST(SequencerTablesTest, WritePayloadsCarryTheRegisterAndTheTravellingText) {
    const TransferList& company = *TransferOfPage(5);
    EXPECT_EQ(WritePayload(EntryOfTransfer(company, 0), "Corvane Ltd"), "200FF     dtL enavroC");
    const TransferList& bluetooth = *TransferOfPage(6);
    EXPECT_EQ(WritePayload(EntryOfTransfer(bluetooth, 0), "0012F3A4B5C6"),
              "20028 6C5B4A3F2100000");
    EXPECT_EQ(WritePayload(EntryOfTransfer(bluetooth, 15), "Van 7"), "200E2           7 naV");
}

TEST(SequencerTablesTest, DongleStepsSendTheirAtCommandsAsTheyStand) {
    std::vector<std::string> commands;
    for (const std::uint16_t step : {2000, 2001, 2002, 2003, 2004, 2100, 2101, 2102, 2200, 2201,
                                     2202, 2203, 2005})
        commands.push_back(std::string(DongleCommand(step).value_or("-")));
    EXPECT_EQ(commands, (std::vector<std::string>{"+++", "AT+BTCANCEL\r", "ATH\r", "AT+BTINQ?\r",
                                                  "-", "AT+BTCANCEL\r", "ATD\r", "-", "+++",
                                                  "ATH\r", "-", "-", "-"}));
}
