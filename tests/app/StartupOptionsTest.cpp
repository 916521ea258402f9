// The command line: what it accepts, and the program started with `--connect` and
// `--screenshot` against a simulated instrument.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>

#include "CommandFrame.h"
#include "Product.h"
#include "PublishedInstrument.h"
#include "RegisterMap.h"
#include "SequencerTables.h"
#include "StartupOptions.h"
#include "TempDir.h"
#include "TempHome.h"

namespace {

StartupOptions Parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("rostermate"));
    return ParseStartupOptions(arguments);
}

struct ProgramRun {
    int exitCode = -1;
    QString out, err;
};

ProgramRun RunProgram(const QStringList& arguments) {
    QProcess program;
    program.start(QStringLiteral(ROSTERMATE_PROGRAM), arguments);
    EXPECT_TRUE(program.waitForFinished(90'000));
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            QString::fromLocal8Bit(program.readAllStandardOutput()),
            QString::fromLocal8Bit(program.readAllStandardError())};
}

TEST(StartupOptionsTest, ReadsEveryOptionAndRefusesWhatItCannotUse) {
    const StartupOptions all =
        Parse({"--connect", "9", "--screenshot", "shot.png", "--show-lists", "B7"});
    EXPECT_EQ(all.error, "");
    EXPECT_EQ(all.connectComNumber, 9);
    EXPECT_EQ(all.screenshotPath, "shot.png");
    EXPECT_EQ(all.showListsSerial, "B7");
    EXPECT_EQ(Parse({}).connectComNumber, 0);
    EXPECT_EQ(Parse({"--connect", "1"}).connectComNumber, 1);
    EXPECT_EQ(Parse({"--connect", "255"}).connectComNumber, 255);

    for (const char* bad : {"0", "256", "-3", "9x", "nine", ""})
        EXPECT_EQ(
            Parse({"--connect", bad}).error,
            QStringLiteral("--connect needs a COM port number from 1 to 255, not \"%1\"").arg(bad))
            << bad;
    EXPECT_EQ(Parse({"--connect"}).error, "Missing value after '--connect'.");
    EXPECT_EQ(Parse({"--connect", "9", "--fast"}).error, "Unknown option 'fast'.");
    EXPECT_EQ(Parse({"shot.png"}).error, "Unexpected argument 'shot.png'.");
}

TEST(StartupOptionsTest, HelpAndVersionAreAnsweredAndTheToolkitsOwnOptionsLeftToIt) {
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_TRUE(Parse({"-h"}).help);
    EXPECT_TRUE(Parse({"--version"}).version);
    EXPECT_EQ(StartupVersion(), "rostermate " ROSTERMATE_VERSION);
    for (const char* option : {"--screenshot <file>", "--show-lists <serial>", "--connect <n>"})
        EXPECT_TRUE(StartupHelp().contains(option)) << option;
    EXPECT_TRUE(StartupHelp().startsWith("Usage: rostermate [options]"));

    // Taken off the command line by the application object before the real reading.
    EXPECT_TRUE(Parse({"-platform", "offscreen", "--version"}).toolkitOptionSeen);
    EXPECT_TRUE(Parse({"--style", "fusion"}).toolkitOptionSeen);
    EXPECT_FALSE(Parse({"--fast"}).toolkitOptionSeen);
}

TEST(StartupOptionsTest, TheProgramEndsWithStatusTwoOnAnUnusableNumber) {
    const ProgramRun run = RunProgram({"--connect", "300"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("--connect needs a COM port number from 1 to 255"))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Usage: rostermate")) << run.err.toStdString();
}

TEST(StartupOptionsTest, TheScreenshotWaitsForTheConnectionAndTheFirstListsRead) {
    TempHome home;
    TempDir pictures;
    PublishedInstrument published;
    SimulatedInstrument& instrument = published.Start();
    const QString path = QString::fromStdString(pictures.Path() + "/shot.png");

    const ProgramRun run = RunProgram({"--connect", "9", "--screenshot", path});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.trimmed(), path);
    EXPECT_FALSE(run.err.contains("--connect")) << run.err.toStdString();
    EXPECT_FALSE(QImage(path).isNull());
    // The read went from the last vehicle down to the first.
    const std::string received = instrument.Received();
    for (const std::uint16_t reg : {146, 48})
        EXPECT_NE(received.find(instrument::FrameCommand("A1234", instrument::ReadPayload(reg))),
                  std::string::npos)
            << reg;
}

}  // namespace
