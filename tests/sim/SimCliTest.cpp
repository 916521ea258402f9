// rostermate-sim as a user runs it: it publishes its COM link, talks, shows the conversation
// with --verbose, keeps registers in its state file, and removes its link when told to stop.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "TempDir.h"
#include "TermiosClient.h"
#include "WaitUntil.h"

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono;

namespace {

// The simulator program, started with the port folder inside a temporary folder.
class SimProcess {
public:
    SimProcess(const TempDir& dir, std::vector<std::string> arguments)
        : ports_(dir.Path() + "/ports"), output_(dir.Path() + "/output.txt") {
        arguments.insert(arguments.begin(), ROSTERMATE_SIM_BINARY);
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);

        std::vector<std::string> environment;
        for (char** variable = environ; *variable; ++variable)
            if (std::string(*variable).rfind("ROSTERMATE_PORTS=", 0) != 0)
                environment.push_back(*variable);
        environment.push_back("ROSTERMATE_PORTS=" + ports_);
        std::vector<char*> envp;
        for (auto& variable : environment) envp.push_back(variable.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const int error = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) pid_ = -1;
    }

    ~SimProcess() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    bool Started() const { return pid_ > 0; }
    std::string Link(int com = 9) const { return ports_ + "/COM" + std::to_string(com); }
    bool LinkExists(int com = 9) const { return fs::exists(fs::symlink_status(Link(com))); }

    void Signal(int signal) const { ::kill(pid_, signal); }
    // Waits (bounded) for the program to end; its exit status, or -1 when it did not end.
    int Exit(milliseconds limit = seconds(10)) {
        WaitUntil([&] { return ::waitpid(pid_, &status_, WNOHANG) == pid_; }, limit);
        exited_ = true;
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    }
    std::string Output() const {
        std::ifstream in(output_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string ports_;
    std::string output_;
    pid_t pid_ = -1;
    int status_ = -1;
    bool exited_ = false;
};

}  // namespace

class SimCliStop : public ::testing::TestWithParam<int> {};

TEST_P(SimCliStop, ShowsTheConversationAndRemovesItsLinkOnTheSignal) {
    TempDir dir;
    SimProcess sim(dir, {"--verbose", "--no-pacing"});
    ASSERT_TRUE(sim.Started());
    ASSERT_TRUE(WaitUntil([&] { return sim.LinkExists(); }, seconds(10))) << sim.Output();
    {
        TermiosClient client(sim.Link());
        client.Write("!?####Q1C\r");
        EXPECT_EQ(client.ReadUntil("\r"), ":?####QA12340B\r");
        client.Write("!?####Q1D\r");  // bad checksum: no reply, but a note
        EXPECT_TRUE(
            WaitUntil([&] { return sim.Output().find("-- ") != std::string::npos; }, seconds(5)));
    }
    sim.Signal(GetParam());
    EXPECT_EQ(sim.Exit(), 0);
    EXPECT_FALSE(sim.LinkExists());
    const std::string output = sim.Output();
    EXPECT_NE(output.find("COM9 -> /dev/pts/"), std::string::npos) << output;
    EXPECT_NE(output.find(">> !?####Q1C[0D]"), std::string::npos) << output;
    EXPECT_NE(output.find("<< :?####QA12340B[0D]"), std::string::npos) << output;
    EXPECT_NE(output.find("checksum 1D, expected 1C"), std::string::npos) << output;
}

INSTANTIATE_TEST_SUITE_P(Signals, SimCliStop, ::testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) { return info.param == SIGINT ? "Int" : "Term"; });

TEST(SimCli, KeepsRegistersBetweenRunsInItsStateFile) {
    TempDir dir;
    const std::string state = dir.Path() + "/registers.txt";
    {
        SimProcess sim(dir, {"--no-pacing", "--com", "4", "--state", state});
        ASSERT_TRUE(WaitUntil([&] { return sim.LinkExists(4); }, seconds(10))) << sim.Output();
        TermiosClient client(sim.Link(4));
        client.Write("!A1234200FFABCDEFGHIJKLMNOPB1\r");
        EXPECT_EQ(client.ReadUntil("\r"), ":A1234200FFABCDEFGHIJKLMNOP74\r");
        sim.Signal(SIGTERM);
        EXPECT_EQ(sim.Exit(), 0);
    }
    SimProcess again(dir, {"--no-pacing", "--com", "4", "--state", state});
    ASSERT_TRUE(WaitUntil([&] { return again.LinkExists(4); }, seconds(10))) << again.Output();
    TermiosClient client(again.Link(4));
    client.Write("!A1234300FF2A\r");
    EXPECT_EQ(client.ReadUntil("\r"), ":A1234300FFABCDEFGHIJKLMNOP74\r");
}

TEST(SimCli, RefusesABadCommandLineAndALivePort) {
    TempDir dir;
    SimProcess bad(dir, {"--fault", "fog"});
    EXPECT_EQ(bad.Exit(), 2);
    EXPECT_NE(bad.Output().find("Unknown fault \"fog\""), std::string::npos) << bad.Output();

    SimProcess first(dir, {"--no-pacing"});
    ASSERT_TRUE(WaitUntil([&] { return first.LinkExists(); }, seconds(10)));
    SimProcess second(dir, {"--no-pacing"});
    EXPECT_EQ(second.Exit(), 2);
    EXPECT_NE(second.Output().find("COM9 is already published"), std::string::npos)
        << second.Output();
    EXPECT_TRUE(first.LinkExists());
}
