#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>

#include "PtyPair.h"
#include "SioErrorCodes.h"
#include "SioExcept.h"
#include "SioMessages.h"
#include "SioPosixDevice.h"
#include "SioPosixDispatcher.h"
#include "SioPosixErrors.h"
#include "TempDir.h"
#include "WaitUntil.h"

TEST(SioCodeForErrno, KeepsMissingHeldAndFailedApart) {
    EXPECT_EQ(SioCodeForErrno(ENOENT), -2);
    EXPECT_EQ(SioCodeForErrno(ENODEV), -2);
    EXPECT_EQ(SioCodeForErrno(ENXIO), -2);
    EXPECT_EQ(SioCodeForErrno(EBUSY), -5);
    EXPECT_EQ(SioCodeForErrno(EIO), sio::ecGeneralFailure);  // a broken device is not "held"
    EXPECT_EQ(SioCodeForErrno(EMFILE), sio::ecTooManyFiles);
    // Numbers that mean something else in the code table must not borrow its text.
    EXPECT_EQ(SioCodeForErrno(EINTR), sio::ecGeneralFailure);
    EXPECT_EQ(SioCodeForErrno(ENOEXEC), sio::ecGeneralFailure);
    // Everything else is the system's own number and text.
    EXPECT_EQ(SioCodeForErrno(EACCES), -EACCES);
    EXPECT_EQ(ErrorMessageFor(SioCodeForErrno(EACCES)), "Permission denied");
}

TEST(SioPosixDevice, OpenReportsMissingHeldAndOtherFailuresByTheirOwnCode) {
    PtyPair pty;
    TSioPosixDevice first;
    TSioPosixDevice second;
    EXPECT_EQ(second.Open("/dev/rostermate-no-such-port"), -2);
    ASSERT_EQ(first.Open(pty.SlavePath()), 0);
    EXPECT_EQ(second.Open(pty.SlavePath()), -5);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(first.Close(), 0);
    EXPECT_EQ(second.Open(pty.SlavePath()), 0);

    TempDir dir;
    TSioPosixDevice folder;
    EXPECT_EQ(folder.Open(dir.Path()), -EISDIR);
    EXPECT_EQ(ErrorMessageFor(-EISDIR), "Is a directory");
}

TEST(SioPosixDevice, PseudoTerminalAnswersAsAQuietLine) {
    PtyPair pty;
    TSioPosixDevice device;
    ASSERT_EQ(device.Open(pty.SlavePath()), 0);
    termios raw{};
    ASSERT_EQ(device.GetAttributes(raw), 0);
    cfmakeraw(&raw);
    ASSERT_EQ(device.SetAttributes(raw), 0);

    EXPECT_EQ(device.SetModemLines(TIOCM_DTR | TIOCM_RTS, true), 0);
    EXPECT_EQ(device.SetModemLines(TIOCM_DTR, false), 0);
    EXPECT_EQ(device.ModemLines(), 0);
    EXPECT_EQ(device.TakeLineErrors(), 0u);

    std::uint8_t buffer[16];
    EXPECT_EQ(device.Read(buffer, sizeof buffer), 0);  // nothing waiting is not a failure
    pty.Write("hello");
    ASSERT_TRUE(WaitUntil([&] { return device.InputCount() == 5; }));
    EXPECT_EQ(device.Flush(TCIFLUSH), 0);
    EXPECT_EQ(device.InputCount(), 0u);

    pty.Write("abc");
    ASSERT_TRUE(WaitUntil([&] { return device.InputCount() == 3; }));
    EXPECT_EQ(device.Read(buffer, sizeof buffer), 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 3), "abc");
    EXPECT_EQ(device.Write(reinterpret_cast<const std::uint8_t*>("xyz"), 3), 3);
    EXPECT_EQ(pty.Read(3, std::chrono::seconds(5)), "xyz");
}

TEST(SioPosixDevice, AVanishedDeviceFailsWithoutLookingHeld) {
    PtyPair pty;
    TSioPosixDevice device;
    ASSERT_EQ(device.Open(pty.SlavePath()), 0);
    pty.CloseMaster();
    std::uint8_t buffer[4] = {};
    EXPECT_LE(device.Read(buffer, sizeof buffer), 0);  // end of file: nothing more comes
    int error = 0;
    const std::int32_t written = device.Write(buffer, sizeof buffer, &error);
    EXPECT_LT(written, 0);
    EXPECT_NE(written, -5);
    // The system's own number survives the mapping, and it means "gone", as the hang-up does.
    EXPECT_EQ(error, EIO);
    EXPECT_TRUE(SioDeviceGoneErrno(error));
    EXPECT_EQ(device.HangUpError(), EIO);
    EXPECT_FALSE(SioDeviceGoneErrno(EAGAIN));
    // Purging a hung-up device's queues fails the same way (a discard of input must not turn
    // a vanished instrument into an error of its own).
    error = 0;
    EXPECT_LT(device.Flush(TCIFLUSH, &error), 0);
    EXPECT_TRUE(SioDeviceGoneErrno(error));
    EXPECT_EQ(device.ModemLines(), 0);
    EXPECT_EQ(device.Close(), 0);
}

TEST(SioModemEvents, ReportsChangedLinesAndTheRingComingUp) {
    EXPECT_EQ(SioModemEvents(0x00, 0x00), 0u);
    EXPECT_EQ(SioModemEvents(0x30, 0x30), 0u);
    EXPECT_EQ(SioModemEvents(0x00, sio::ModemCts | sio::ModemDcd), sio::EvCts | sio::EvRlsd);
    EXPECT_EQ(SioModemEvents(sio::ModemDsr, 0x00), sio::EvDsr);
    EXPECT_EQ(SioModemEvents(0x00, sio::ModemRing), sio::EvRing);
    EXPECT_EQ(SioModemEvents(sio::ModemRing, 0x00), 0u);  // only the start of a ring counts
}
