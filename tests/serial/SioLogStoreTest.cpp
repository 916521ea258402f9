#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/utsname.h>
#endif

#include <deque>
#include <random>

#include "SioErrorCodes.h"
#include "SioLogFormat.h"
#include "SioLogRecords.h"
#include "SioLogStore.h"
#include "SioTestFiles.h"
#include "TempDir.h"

namespace {

std::tm FixedTime() {
    std::tm t{};
    t.tm_mday = 7;
    t.tm_mon = 11;  // December
    t.tm_year = 126;
    t.tm_hour = 21;
    t.tm_min = 5;
    t.tm_sec = 9;
    return t;
}

const char* const kHeader =
    "SIO v1.00\r\n"
    "Compiler : Unknown\r\n"
    "Operating System : Linux 6.1.0-test\r\n"
    "Device: COM3\r\n"
    "Date/time: 07/12/26, 21:05:09\r\n"
    "Time      Type      SubType       Data      OtherData\r\n"
    "--------  --------  ------------  --------  ---------\r\n";

class LogStoreTest : public ::testing::Test {
protected:
    LogStoreTest() {
        log.SetLocalTimeSource(FixedTime);
        log.SetSystemText("Linux 6.1.0-test");
    }

    std::string File() const { return dir.Path() + "/SERIAL.LOG"; }

    void Record(std::uint8_t type, std::uint8_t subtype, std::uint32_t ms, std::uint32_t other,
                const std::string& data = {}) {
        log.LogRecord(type, subtype, ms, other, data.data(), static_cast<std::uint32_t>(data.size()));
    }

    // The file's text after the header.
    std::string Written(bool hexMode = true, bool allHex = false) {
        EXPECT_EQ(log.LogWrite(File(), false, hexMode, allHex, 3), sio::ecOK);
        const std::string text = ReadFileText(File());
        EXPECT_EQ(text.rfind(kHeader, 0), 0u) << text;
        return text.substr(std::min(text.size(), std::string(kHeader).size()));
    }

    TempDir dir;
    TSioLogStore log;
};

std::string RecordText(const TSioLogRecordHeader& header, const std::string& data, bool hexMode,
                       bool allHex) {
    std::string out;
    AppendLogRecordText(out, header, reinterpret_cast<const std::uint8_t*>(data.data()), hexMode,
                        allHex);
    return out;
}

}  // namespace

TEST_F(LogStoreTest, AQueuedBlockGivesTheDocumentedLine) {
    ASSERT_EQ(log.LogOpen(10000, 8192), sio::ecOK);
    EXPECT_TRUE(log.Logging());
    Record(sio::lgDispatch, sio::lgWriteCom, 1234, 5, "ATH\rx");
    EXPECT_EQ(Written(), "0001.234  Dispatch  WriteCom      00000005  ATH[0D]x\r\n");
    EXPECT_FALSE(log.Exists());
    EXPECT_FALSE(log.Logging());
}

TEST_F(LogStoreTest, EveryRecordKindOfTheDispatcherIsNamed) {
    log.LogOpen(10000, 64);
    Record(sio::lgHandlerAlloc, sio::lgWindow, 0, 0x1234ABCD);
    Record(sio::lgTriggerAlloc, sio::lgStatusTrigger, 7, 13, std::string(1, '\5'));
    Record(sio::lgTriggerAlloc, sio::lgTimerTrigger, 8, 16);
    Record(sio::lgTriggerDataChange, sio::lgTimerTrigger, 9, 16, std::string("\x12\0\0\0", 4));
    Record(sio::lgTriggerDataChange, sio::lgAvailTrigger, 10, 1);
    Record(sio::lgDispatch, sio::lgReadCom, 61'000, 3, "OK\r");
    Record(sio::lgTrigger, sio::lgAvail, 61'001, 3);
    Record(sio::lgTrigger, sio::lgStatus, 61'002, 13);
    Record(sio::lgTriggerDispose, sio::lgStatusTrigger, 99'999'999, 13, std::string(1, '\1'));
    Record(sio::lgTriggerDispose, sio::lgTimer, 10'000'000, 16);
    Record(sio::lgHandlerDispose, sio::lgWindow, 10'000'001, 0x1234ABCD);
    EXPECT_EQ(Written(),
              "0000.000  TrgHdAlc  Window        1234ABCD  \r\n"
              "0000.007  TrigAllc  Status        0000000D  (Output sent)\r\n"
              "0000.008  TrigAllc  Timer         00000010  \r\n"
              "0000.009  TrDatChg  Timer         00000010  [12][00][00][00]\r\n"
              "0000.010  TrDatChg  Avail         00000001  \r\n"
              "0061.000  Dispatch  ReadCom       00000003  OK[0D]\r\n"
              "0061.001  Trigger   Avail         00000003  \r\n"
              "0061.002  Trigger   Status        0000000D  \r\n"
              "99999.999  TrigDisp  Status        0000000D  (Modem status)\r\n"
              "10000.000  TrigDisp  Timer         00000010  \r\n"
              "10000.001  TrgHdDsp  Window        1234ABCD  \r\n");
}

TEST_F(LogStoreTest, ModemBitsUserTextAndDecimalForms) {
    log.LogOpen(1000, 64);
    Record(sio::lgDispatch, sio::lgModemStatus, 1, 0x11);
    Record(sio::lgDispatch, sio::lgModemStatus, 2, 0xF0);
    Record(sio::lgDispatch, sio::lgModemStatus, 3, 0);
    Record(sio::lgUser, sio::lgNone, 4, 0, "hi\r");
    Record(sio::lgDispatch, sio::lgReadCom, 5, 2, "\x07 ");
    EXPECT_EQ(Written(false, true),
              "0000.001  Dispatch  Modem status  00000011   (DCTS CTS)\r\n"
              "0000.002  Dispatch  Modem status  000000F0   (CTS DSR RI DCD)\r\n"
              "0000.003  Dispatch  Modem status  00000000   ()\r\n"
              "0000.004  User                    00000000  hi\r\r\n"
              "0000.005  Dispatch  ReadCom       00000002  [07][20]\r\n");

    log.LogOpen(1000, 64);
    Record(sio::lgDispatch, sio::lgReadCom, 5, 4, "\x07\r\xC8 ");
    EXPECT_EQ(Written(false, false), "0000.005  Dispatch  ReadCom       00000004  [7][13][200] \r\n");
}

TEST_F(LogStoreTest, LongDataWrapsUnderThePrefix) {
    log.LogOpen(10000, 100);
    Record(sio::lgDispatch, sio::lgReadCom, 1, 40, std::string(40, 'z'));
    Record(sio::lgDispatch, sio::lgWriteCom, 2, 10, std::string(10, '\n'));
    const std::string pad(44, ' ');
    EXPECT_EQ(Written(),
              "0000.001  Dispatch  ReadCom       00000028  " + std::string(33, 'z') + "\r\n" + pad +
                  std::string(7, 'z') + "\r\n" + "0000.002  Dispatch  WriteCom      0000000A  " +
                  "[0A][0A][0A][0A][0A][0A][0A][0A]\r\n" + pad + "[0A][0A]\r\n");
}

TEST_F(LogStoreTest, AFullRingDropsWholeOldestRecords) {
    log.LogOpen(100, 16);  // room for two 40-byte records, not three
    for (std::uint32_t i = 1; i <= 5; ++i)
        Record(sio::lgDispatch, sio::lgReadCom, i, 24, std::string(24, static_cast<char>('a' + i)));
    EXPECT_EQ(Written(),
              "0000.004  Dispatch  ReadCom       00000018  eeeeeeeeeeeeeeeeeeeeeeee\r\n"
              "0000.005  Dispatch  ReadCom       00000018  ffffffffffffffffffffffff\r\n");
}

TEST_F(LogStoreTest, ARecordLargerThanTheRingIsKeptWholeWithItsDataCut) {
    log.LogOpen(40, 16);
    Record(sio::lgTrigger, sio::lgAvail, 1, 1);
    Record(sio::lgDispatch, sio::lgReadCom, 2, 8192, std::string(8192, 'q'));  // ring holds 23
    Record(sio::lgTrigger, sio::lgAvail, 3, 8192);
    Record(sio::lgTrigger, sio::lgAvail, 4, 0);
    // The big record made room for itself; the two small ones then pushed it out again.
    EXPECT_EQ(Written(),
              "0000.003  Trigger   Avail         00002000  \r\n"
              "0000.004  Trigger   Avail         00000000  \r\n");

    log.LogOpen(40, 16);
    Record(sio::lgDispatch, sio::lgReadCom, 2, 8192, std::string(8192, 'q'));
    EXPECT_EQ(Written(), "0000.002  Dispatch  ReadCom       00002000  " + std::string(23, 'q') +
                             "\r\n");

    // A ring that cannot hold a header keeps nothing and writes nothing.
    log.LogOpen(16, 16);
    Record(sio::lgTrigger, sio::lgAvail, 1, 1);
    EXPECT_EQ(log.LogWrite(File() + ".tiny", false, true, false, 3), sio::ecOK);
    EXPECT_FALSE(FileExists(File() + ".tiny"));
}

TEST_F(LogStoreTest, TheRingMatchesAModelAcrossManyWraps) {
    const std::size_t capacity = 203;
    std::mt19937 random(4711);
    for (int round = 0; round < 20; ++round) {
        log.LogOpen(static_cast<std::int32_t>(capacity), 8);
        std::deque<std::pair<TSioLogRecordHeader, std::string>> model;
        std::size_t used = 0;
        const int records = 1 + static_cast<int>(random() % 60);
        for (int i = 0; i < records; ++i) {
            TSioLogRecordHeader h;
            h.type = static_cast<std::uint8_t>(random() % 21);
            h.subtype = static_cast<std::uint8_t>(1 + random() % 3);
            h.timeMs = static_cast<std::uint32_t>(random() % 100000);
            h.otherData = static_cast<std::uint32_t>(random());
            std::string data(random() % 90, '\0');
            for (char& c : data) c = static_cast<char>(random());
            h.length = static_cast<std::uint32_t>(data.size());
            Record(h.type, h.subtype, h.timeMs, h.otherData, data);
            model.emplace_back(h, data);
            used += 16 + data.size();
            while (used > capacity) {
                used -= 16 + model.front().second.size();
                model.pop_front();
            }
        }
        std::string expected;
        for (const auto& [h, data] : model) expected += RecordText(h, data, true, false);
        ASSERT_EQ(Written(), expected) << "round " << round;
    }
}

TEST_F(LogStoreTest, PauseResumeResetAndEmptyLogs) {
    EXPECT_EQ(log.LogWrite(File(), false, true, false, 3), sio::ecOK);  // no log at all
    log.LogOpen(1000, 16);
    EXPECT_EQ(log.LogWrite(File(), false, true, false, 3), sio::ecOK);  // empty log
    EXPECT_FALSE(FileExists(File()));
    EXPECT_FALSE(log.Exists());

    log.LogOpen(1000, 16);
    Record(sio::lgTrigger, sio::lgAvail, 1, 1);
    log.LogPause();
    Record(sio::lgTrigger, sio::lgAvail, 2, 2);
    log.LogResume();
    Record(sio::lgTrigger, sio::lgAvail, 3, 3);
    EXPECT_EQ(Written(),
              "0000.001  Trigger   Avail         00000001  \r\n"
              "0000.003  Trigger   Avail         00000003  \r\n");

    log.LogOpen(1000, 16);
    Record(sio::lgTrigger, sio::lgAvail, 1, 1);
    log.LogOpen(1000, 16);  // an existing log is only emptied
    Record(sio::lgTrigger, sio::lgAvail, 2, 2);
    log.LogReset();
    Record(sio::lgTrigger, sio::lgAvail, 3, 3);
    EXPECT_EQ(Written(), "0000.003  Trigger   Avail         00000003  \r\n");

    log.LogResume();
    EXPECT_FALSE(log.Logging());
    EXPECT_EQ(log.LogOpen(16'000'001, 16), sio::ecBadArgument);
    EXPECT_EQ(log.LogOpen(-1, 16), sio::ecBadArgument);
}

TEST_F(LogStoreTest, AFileThatCannotBeOpenedLeavesTheLogForAnotherTry) {
    log.LogOpen(1000, 16);
    Record(sio::lgTrigger, sio::lgAvail, 1, 1);
    EXPECT_EQ(log.LogWrite(dir.Path() + "/missing/SERIAL.LOG", false, true, false, 3),
              kMissingFolderResult);
    EXPECT_TRUE(log.Exists());
    EXPECT_FALSE(log.Logging());
    EXPECT_EQ(Written(), "0000.001  Trigger   Avail         00000001  \r\n");

    // Appending adds a second header and its records after the first file's text.
    log.LogOpen(1000, 16);
    Record(sio::lgTrigger, sio::lgAvail, 2, 2);
    ASSERT_EQ(log.LogWrite(File(), true, true, false, 3), sio::ecOK);
    EXPECT_EQ(ReadFileText(File()), std::string(kHeader) +
                                        "0000.001  Trigger   Avail         00000001  \r\n" +
                                        kHeader +
                                        "0000.002  Trigger   Avail         00000002  \r\n");

    log.LogOpen(1000, 16);
    Record(sio::lgTrigger, sio::lgAvail, 2, 2);
    EXPECT_EQ(log.LogWrite("/dev/full", false, true, false, 3), sio::ecDiskFull);
    EXPECT_FALSE(log.Exists());
}

TEST(LogHeader, NamesTheRunningKernelAndTheDevice) {
#ifdef _WIN32
    const std::string system = LogSystemText();
    EXPECT_EQ(system.rfind("Windows ", 0), 0u) << system;
    EXPECT_NE(system.find_first_of("123456789"), std::string::npos) << system;
#else
    utsname name{};
    ASSERT_EQ(uname(&name), 0);
    EXPECT_EQ(LogSystemText(), std::string(name.sysname) + " " + name.release);
#endif
    const std::string header = LogHeaderText(std::string(200, 'k'), 12, FixedTime());
    EXPECT_NE(header.find("Operating System : " + std::string(80, 'k') + "\r\n"), std::string::npos);
    EXPECT_NE(header.find("\r\nDevice: COM12\r\n"), std::string::npos);
}
