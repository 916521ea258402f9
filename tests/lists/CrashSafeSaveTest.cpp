// A program that is killed while it saves leaves every list file whole: its old contents or its
// new ones, never a mixture or a file cut short.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <random>
#include <thread>

#include "ListFile.h"
#include "ListFileIO.h"
#include "SaveLoopContents.h"
#include "TempDir.h"

extern char** environ;

TEST(CrashSafeSave, AKilledSaveLeavesEachFileWholeOldOrNew) {
    TempDir folder;
    const lists::TStrings stems = lists::BuildFileStems();
    std::string versions[2][6];
    for (std::size_t list = 0; list < stems.size(); ++list)
        for (unsigned version = 0; version < 2; ++version)
            versions[version][list] = lists::FormatListFile(SaveLoopContents(list, version));

    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> delayUs(0, 60000);
    int oldSeen = 0;
    int newSeen = 0;
    for (int kill = 0; kill < 200; ++kill) {
        std::string path = LIST_SAVE_LOOP;
        std::string target = folder.Path();
        std::string first = kill % 2 == 0 ? "1" : "0";  // each run starts by replacing the other
        char* argv[] = {path.data(), target.data(), first.data(), nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ), 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the save loop ended by itself";

        for (std::size_t list = 0; list < stems.size(); ++list) {
            const std::string file = folder.Path() + "/" + stems[list] + ".ID";
            if (!lists::FileExists(file)) continue;  // killed before its first save
            const std::string bytes = lists::ReadWholeFile(file);
            const bool old = bytes == versions[0][list];
            ASSERT_TRUE(old || bytes == versions[1][list])
                << stems[list] << " after kill " << kill << " holds " << bytes.size() << " bytes";
            (old ? oldSeen : newSeen)++;
        }
    }
    // The kills did land at different points of the loop.
    EXPECT_GT(oldSeen, 0);
    EXPECT_GT(newSeen, 0);
}
