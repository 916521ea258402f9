// The simulator's set-up pieces: command line, state file, port link.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "ESimError.h"
#include "PortLink.h"
#include "SimOptions.h"
#include "StateFile.h"
#include "TempDir.h"

using namespace sim;
namespace fs = std::filesystem;

TEST(SimOptions, ReadsTheCommandLine) {
    const SimOptions defaults = ParseSimOptions({});
    EXPECT_EQ(defaults.comNumber, 9);
    EXPECT_EQ(defaults.timing.baud, 9600);
    EXPECT_EQ(defaults.identity.serial, "A1234");
    EXPECT_FALSE(defaults.faults.Any());

    const SimOptions options = ParseSimOptions(
        {"--com", "12", "--dongle", "--no-pacing", "--serial", "B0042", "--state", "regs.txt",
         "--fault", "bad-checksum,split=4,drop,disconnect=7", "--fault-every", "3", "-v"});
    EXPECT_EQ(options.comNumber, 12);
    EXPECT_TRUE(options.dongle);
    EXPECT_TRUE(options.verbose);
    EXPECT_EQ(options.timing.baud, 0);
    EXPECT_EQ(options.identity.serial, "B0042");
    EXPECT_EQ(options.dongleSettings.devices.front().name, "Tester B0042");
    EXPECT_EQ(options.stateFile, "regs.txt");
    EXPECT_TRUE(options.faults.badChecksum);
    EXPECT_EQ(options.faults.splitBursts, 4);
    EXPECT_EQ(options.faults.dropBytes, 1);
    EXPECT_EQ(options.faults.disconnectAfter, 7);
    EXPECT_EQ(options.faults.every, 3);
}

TEST(SimOptions, RefusesBadArgumentsWithAReason) {
    const std::vector<std::vector<std::string>> bad = {
        {"--com"},           {"--com", "0"},         {"--com", "9x"},
        {"--serial", "A12"}, {"--serial", "A!234"},  {"--serial", "?####"},
        {"--fault", "fog"},  {"--fault", "noise=2"}, {"--fault", "split=1"},
        {"--bogus"},
    };
    for (const auto& arguments : bad) {
        SCOPED_TRACE(arguments.front());
        try {
            ParseSimOptions(arguments);
            ADD_FAILURE() << "accepted";
        } catch (const ESimError& error) {
            EXPECT_FALSE(error.Message().empty());
            EXPECT_STREQ(error.ClassName(), "ESimError");
        }
    }
}

TEST(StateFile, KeepsEveryByteOfTheRegistersAndRefusesADamagedFile) {
    TempDir dir;
    const StateFile file(dir.Path() + "/registers.txt");
    Registers registers = DefaultRegisters();
    EXPECT_FALSE(file.Load(registers));  // no file yet: defaults stay

    registers[48] = std::string(
        "[odd]\x01\x7F\xFF"
        "abcdefgh",
        16);
    registers[255] = EntryToRegister("Acme Haulage");
    file.Save(registers);
    Registers loaded = DefaultRegisters();
    ASSERT_TRUE(file.Load(loaded));
    EXPECT_EQ(loaded, registers);

    std::ofstream(file.Path(), std::ios::app) << "R300=0123456789ABCDEF\n";
    Registers untouched = DefaultRegisters();
    try {
        file.Load(untouched);
        ADD_FAILURE() << "accepted a register that does not exist";
    } catch (const ESimError& error) {
        EXPECT_NE(error.Message().find("line 258"), std::string::npos) << error.Message();
    }
    EXPECT_EQ(untouched, DefaultRegisters());
}

TEST(PortLink, PublishesReplacesOnlyStaleLinksAndRemovesItsOwn) {
    TempDir dir;
    const std::string ports = dir.Path() + "/ports";
    const std::string device = dir.Path() + "/device";
    std::ofstream(device).put('x');
    {
        PortLink link(ports, 9, device);
        EXPECT_EQ(link.LinkPath(), ports + "/COM9");
        EXPECT_EQ(fs::read_symlink(ports + "/COM9"), device);
        // A second simulator may not take a live port.
        EXPECT_THROW(PortLink(ports, 9, "/dev/null"), ESimError);
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(ports + "/COM9")));

    // Left behind by a killed simulator: its device is gone, so the link is taken over.
    fs::create_symlink(dir.Path() + "/gone", ports + "/COM9");
    PortLink link(ports, 9, device);
    EXPECT_EQ(fs::read_symlink(ports + "/COM9"), device);

    // Someone else's link put in our place is left alone on the way out.
    fs::remove(ports + "/COM9");
    fs::create_symlink("/dev/null", ports + "/COM9");
    link.Remove();
    EXPECT_EQ(fs::read_symlink(ports + "/COM9"), "/dev/null");
}

TEST(PortLink, FolderFollowsTheEnvironment) {
    struct Saved {
        const char* name;
        std::optional<std::string> value;
    } saved[] = {{"ROSTERMATE_PORTS", {}}, {"XDG_RUNTIME_DIR", {}}};
    for (auto& variable : saved)
        if (const char* value = std::getenv(variable.name)) variable.value = value;

    setenv("ROSTERMATE_PORTS", "/somewhere/ports", 1);
    setenv("XDG_RUNTIME_DIR", "/run/user/1234", 1);
    EXPECT_EQ(PortDirectory(), "/somewhere/ports");
    unsetenv("ROSTERMATE_PORTS");
    EXPECT_EQ(PortDirectory(), "/run/user/1234/rostermate/ports");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(PortDirectory(), "/tmp/rostermate-" + std::to_string(getuid()) + "/ports");

    for (const auto& variable : saved)
        if (variable.value) setenv(variable.name, variable.value->c_str(), 1);
}
