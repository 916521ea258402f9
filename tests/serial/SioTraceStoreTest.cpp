#include <gtest/gtest.h>

#include <sstream>

#include "SioByteRender.h"
#include "SioErrorCodes.h"
#include "SioTestFiles.h"
#include "SioTraceStore.h"
#include "TempDir.h"

namespace {

class TraceStoreTest : public ::testing::Test {
protected:
    std::string File(const char* name = "SERIAL.TRC") const { return dir.Path() + "/" + name; }

    void Record(char kind, const std::string& bytes) {
        for (char c : bytes) trace.TraceRecord(kind, static_cast<std::uint8_t>(c));
    }

    TempDir dir;
    TSioTraceStore trace;
};

std::string Render(std::uint8_t byte, bool hexMode, bool allHex) {
    std::string out;
    const int width = AppendRenderedByte(out, byte, hexMode, allHex);
    EXPECT_EQ(static_cast<std::size_t>(width), out.size());
    return out;
}

}  // namespace

TEST(ByteRendering, CharactersHexAndDecimalForms) {
    EXPECT_EQ(Render('O', true, false), "O");
    EXPECT_EQ(Render(' ', false, false), " ");
    EXPECT_EQ(Render(' ', true, false), "[20]");
    EXPECT_EQ(Render(0x0D, true, false), "[0D]");
    EXPECT_EQ(Render(0x7F, true, false), "[7F]");
    EXPECT_EQ(Render(0xC8, true, false), "[C8]");
    EXPECT_EQ(Render(7, false, false), "[7]");
    EXPECT_EQ(Render(13, false, false), "[13]");
    EXPECT_EQ(Render(200, false, false), "[200]");
    EXPECT_EQ(Render('~', false, false), "~");
    EXPECT_EQ(Render('A', false, true), "[41]");
    EXPECT_EQ(Render('A', true, true), "[41]");
}

TEST_F(TraceStoreTest, ReceivedBytesGiveOneSectionWithTheLastLineUnended) {
    ASSERT_EQ(trace.TraceOpen(10000), sio::ecOK);
    EXPECT_TRUE(trace.Tracing());
    Record('R', "OK\r");
    ASSERT_EQ(trace.TraceWrite(File(), false, true, false), sio::ecOK);
    EXPECT_EQ(ReadFileText(File()), "Receive: \r\nOK[0D]");
    EXPECT_FALSE(trace.Exists());
    EXPECT_FALSE(trace.Tracing());
}

TEST_F(TraceStoreTest, DirectionChangesStartNewSectionsAfterAnEmptyLine) {
    trace.TraceOpen(100);
    Record('T', "Q?\r");
    Record('R', ":A1\r");
    Record('T', " ");
    trace.TraceRecord('X', 1);
    ASSERT_EQ(trace.TraceWrite(File(), false, false, false), sio::ecOK);
    EXPECT_EQ(ReadFileText(File()),
              "Transmit: \r\nQ?[13]\r\n\r\n"
              "Receive: \r\n:A1[13]\r\n\r\n"
              "Transmit: \r\n \r\n\r\n"
              "Special-X: \r\n[1]");
}

TEST_F(TraceStoreTest, AFullRingKeepsTheNewestEntriesInOrder) {
    trace.TraceOpen(10);
    Record('R', "abcdefghijkl");  // 12 entries into 10
    ASSERT_EQ(trace.TraceWrite(File(), false, true, false), sio::ecOK);
    EXPECT_EQ(ReadFileText(File()), "Receive: \r\ncdefghijkl");

    // Exactly full: everything, from the first entry.
    trace.TraceOpen(4);
    Record('T', "wxyz");
    ASSERT_EQ(trace.TraceWrite(File(), false, true, false), sio::ecOK);
    EXPECT_EQ(ReadFileText(File()), "Transmit: \r\nwxyz");
}

TEST_F(TraceStoreTest, DataLinesWrapBeforePassingColumn78) {
    trace.TraceOpen(1000);
    Record('R', std::string(100, 'A'));
    Record('T', std::string(20, '\r'));  // 4 columns each: 19 fit in 78
    ASSERT_EQ(trace.TraceWrite(File(), false, true, false), sio::ecOK);

    std::string fourteens;
    for (int i = 0; i < 19; ++i) fourteens += "[0D]";
    EXPECT_EQ(ReadFileText(File()), "Receive: \r\n" + std::string(78, 'A') + "\r\n" +
                                        std::string(22, 'A') + "\r\n\r\nTransmit: \r\n" +
                                        fourteens + "\r\n[0D]");
}

TEST_F(TraceStoreTest, PausedTracesRecordNothingAndResumeCarriesOn) {
    trace.TraceOpen(10);
    Record('R', "ab");
    trace.TracePause();
    Record('R', "cd");
    EXPECT_TRUE(trace.Exists());
    trace.TraceResume();
    Record('R', "ef");
    ASSERT_EQ(trace.TraceWrite(File(), false, true, false), sio::ecOK);
    EXPECT_EQ(ReadFileText(File()), "Receive: \r\nabef");

    // Reopening an existing trace empties it; a reset does too.
    trace.TraceOpen(10);
    Record('R', "old");
    trace.TraceOpen(999);
    Record('R', "x");
    trace.TraceReset();
    Record('R', "new");
    ASSERT_EQ(trace.TraceWrite(File(), false, true, false), sio::ecOK);
    EXPECT_EQ(ReadFileText(File()), "Receive: \r\nnew");
}

TEST_F(TraceStoreTest, AnEmptyTraceWritesNoFileAndEnds) {
    EXPECT_EQ(trace.TraceWrite(File(), false, true, false), sio::ecOK);  // no trace at all
    trace.TraceOpen(10);
    EXPECT_EQ(trace.TraceWrite(File(), false, true, false), sio::ecOK);
    EXPECT_FALSE(FileExists(File()));
    EXPECT_FALSE(trace.Exists());
    trace.TraceResume();
    EXPECT_FALSE(trace.Tracing());
}

TEST_F(TraceStoreTest, SizesOutsideTheRangeAreRefused) {
    EXPECT_EQ(trace.TraceOpen(4'000'001), sio::ecBadArgument);
    EXPECT_EQ(trace.TraceOpen(0), sio::ecBadArgument);
    EXPECT_EQ(trace.TraceOpen(-1), sio::ecBadArgument);
    EXPECT_FALSE(trace.Exists());
    EXPECT_FALSE(trace.Tracing());
    trace.TraceRecord('R', 'x');  // no ring: nothing happens
    EXPECT_EQ(trace.TraceOpen(4'000'000), sio::ecOK);
    EXPECT_TRUE(trace.Exists());
}

TEST_F(TraceStoreTest, AppendAddsAtTheEndAndCreatesAMissingFile) {
    trace.TraceOpen(10);
    Record('R', "1");
    ASSERT_EQ(trace.TraceWrite(File(), true, true, false), sio::ecOK);
    EXPECT_EQ(ReadFileText(File()), "Receive: \r\n1");

    trace.TraceOpen(10);
    Record('T', "2");
    ASSERT_EQ(trace.TraceWrite(File(), true, true, false), sio::ecOK);
    EXPECT_EQ(ReadFileText(File()), "Receive: \r\n1Transmit: \r\n2");

    trace.TraceOpen(10);
    Record('T', "3");
    ASSERT_EQ(trace.TraceWrite(File(), false, true, false), sio::ecOK);
    EXPECT_EQ(ReadFileText(File()), "Transmit: \r\n3");
}

TEST_F(TraceStoreTest, FileErrorsComeBackAsCodesAndEndTheTrace) {
    trace.TraceOpen(10);
    Record('R', "x");
    EXPECT_EQ(trace.TraceWrite(dir.Path() + "/missing/SERIAL.TRC", false, true, false),
              kMissingFolderResult);
    EXPECT_FALSE(trace.Exists());

    trace.TraceOpen(10);
    Record('R', "x");
    EXPECT_EQ(trace.TraceWrite(dir.Path(), false, true, false), sio::ecAccessDenied);

    // A write that fails is reported, not swallowed.
    trace.TraceOpen(10);
    Record('R', "x");
    EXPECT_EQ(trace.TraceWrite("/dev/full", false, true, false), sio::ecDiskFull);
    EXPECT_FALSE(trace.Exists());
}
