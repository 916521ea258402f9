#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "EInOutError.h"
#include "EInstCode.h"
#include "EStorePath.h"
#include "FileSizeLimit.h"
#include "InstrumentFolder.h"
#include "ListFileIO.h"
#include "StorageDir.h"
#include "TempDir.h"

using namespace lists;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct FakeMachine {
    std::map<std::string, std::string> env;
    std::string digest;
    std::string existingDir;
    std::string documents = "/home/u/Documents";
    std::string program = "/opt/rostermate";

    StorageEnvironment Environment() const {
        return {[this](const std::string& name) {
                    auto it = env.find(name);
                    return it == env.end() ? std::string() : it->second;
                },
                digest, [this](const std::string& dir) { return dir == existingDir; },
                [this] { return documents; }, [this] { return program; }};
    }
};

}  // namespace

TEST(StorageDir, SiteKeyIsUpperCasedAndCutAfterTheDash) {
    EXPECT_EQ(SiteKey("corp-north", "\\\\dc1"), "CORP-NO");
    EXPECT_EQ(SiteKey("abc", "def"), "AB");
    EXPECT_EQ(SiteKey("", ""), "");
    EXPECT_EQ(SiteKey("x-", "é"), "X-\xc3\xa9");  // only a to z change; short keys stay whole
    EXPECT_EQ(Sha1("abc").size(), 20u);
    EXPECT_EQ(SiteDigestFromHex("a9993e364706816aba3e25717850c26c9cd0d89d"), Sha1("abc"));
    EXPECT_EQ(SiteDigestFromHex("not hex"), "");
    EXPECT_EQ(SiteDigestFromHex(""), "");
}

TEST(StorageDir, HomeShareRootIsTheServerPart) {
    EXPECT_EQ(HomeShareRoot("\\\\server\\share\\user"), "\\\\server\\");
    EXPECT_EQ(HomeShareRoot("\\\\server"), "\\\\");
    EXPECT_EQ(HomeShareRoot(""), "");
}

TEST(StorageDir, SiteNetworkHomeShareWhenTheDigestMatchesAndTheFolderExists) {
    FakeMachine machine;
    machine.env = {{"userdomain", "corp-north"},
                   {"logonserver", "\\\\dc1"},
                   {"homeshare", "\\\\files\\home\\u"}};
    machine.digest = Sha1("CORP-NO");
    machine.existingDir = "\\\\files\\Data/AppData/Rostermate/";
    EXPECT_EQ(FindStorageDir(machine.Environment()), machine.existingDir);

    machine.existingDir.clear();  // the share's folder is missing: documents as elsewhere
    EXPECT_EQ(FindStorageDir(machine.Environment()), "/home/u/Documents/Corvane/Rostermate/");

    machine.existingDir = "\\\\files\\Data/AppData/Rostermate/";
    machine.digest.clear();  // a build for no site network never takes the share
    EXPECT_EQ(FindStorageDir(machine.Environment()), "/home/u/Documents/Corvane/Rostermate/");
}

TEST(StorageDir, FallsBackToTheProgramFolderThenToNothing) {
    FakeMachine machine;
    machine.documents.clear();
    EXPECT_EQ(FindStorageDir(machine.Environment()), "/opt/rostermate/Corvane/Rostermate/");
    machine.program.clear();
    EXPECT_EQ(FindStorageDir(machine.Environment()), "");
}

TEST(InstrumentFolder, NamesTheFolderAfterAValidInstrumentNumber) {
    EXPECT_EQ(InstrumentFolder("/s/", "A1234XYZ"), "/s/A1234/");
    EXPECT_EQ(InstrumentFolder("/s/", "A12"), "/s/A12/");
    EXPECT_THROW(InstrumentFolder("", "A1234"), EStorePath);
    try {
        InstrumentFolder("/s/", "?####");
        FAIL();
    } catch (const EInstCode& e) {
        EXPECT_EQ(e.Message(), "Not a valid instrument number \"_####\"");
    }
    try {
        InstrumentFolder("/s/", "A12/4");
        FAIL();
    } catch (const EInstCode& e) {
        EXPECT_EQ(e.Message(), "Not a valid instrument number \"A12_4\"");
    }
    EXPECT_THROW(InstrumentFolder("/s/", "A0000"), EInstCode);
    EXPECT_THROW(InstrumentFolder("/s/", ""), EInstCode);
    EXPECT_THROW(InstrumentFolder("/s/", "A"), EInstCode);
}

TEST(ListFileIO, ReplacesReadsAndCreatesFolders) {
    TempDir dir;
    const std::string folder = dir.Path() + "/a/b/";
    EXPECT_TRUE(ForceDirectories(folder));
    EXPECT_TRUE(ForceDirectories(folder));  // already there
    EXPECT_THROW(ForceDirectories(""), EInOutError);

    const std::string path = folder + "Brakes.ID";
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(FileExists(folder));  // a folder is not a file
    ReplaceFile(path, std::string("one\r\n\0two", 9));
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(ReadWholeFile(path), std::string("one\r\n\0two", 9));
    ReplaceFile(path, "short");
    EXPECT_EQ(ReadWholeFile(path), "short");
    EXPECT_EQ(std::filesystem::directory_iterator(folder)->path().filename(), "Brakes.ID");

    try {
        ReadWholeFile(folder + "missing.ID");
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_GT(e.ErrorCode(), 0);
        EXPECT_FALSE(e.Message().empty());
    }
}

TEST(ListFileIO, AFailedWriteLeavesTheOldFileWhole) {
    TempDir dir;
    const std::string path = dir.Path() + "/Vehicles.ID";
    ReplaceFile(path, std::string(100, 'o'));
    try {
        FileSizeLimit full(200);
        ReplaceFile(path, std::string(1782, 'n'));
        FAIL() << "a write past the limit must fail";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), "File too large");
    }
    EXPECT_EQ(ReadFile(path), std::string(100, 'o'));
    // Nothing is left behind beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(ListFileIO, AReadOnlyFolderIsReportedWithTheSystemsReason) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    TempDir dir;
    const std::string path = dir.Path() + "/Vehicles.ID";
    ReplaceFile(path, "old");
    std::filesystem::permissions(
        dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    try {
        ReplaceFile(path, "new");
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_NE(e.Message().find("ermission denied"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(ReadFile(path), "old");
}
