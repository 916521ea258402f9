// The package as a user gets it: what it holds, and its programs run from an unpacked copy on a
// machine without a display; the launcher entry and the metainfo as the desktop's tools read them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Product.h"
#include "RunProgram.h"
#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

const std::string kId = ROSTERMATE_APP_ID;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Runs a program the way a user in a text terminal would: no display of any kind.
ProgramRun RunWithoutDisplay(const std::string& program, const std::string& option) {
    return RunProgram({"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM",
                       program, option});
}

std::string BuildPackage(const TempDir& folder) {
    const ProgramRun cpack =
        RunProgram({CPACK_PROGRAM, "--config", CPACK_CONFIG, "-B", folder.Path()});
    EXPECT_EQ(cpack.status, 0) << cpack.out << cpack.err;
    for (const auto& entry : fs::directory_iterator(folder.Path()))
        if (entry.path().extension() == ".deb") return entry.path().string();
    return {};
}

}  // namespace

TEST(DesktopFilesTest, TheLauncherEntryAndTheMetainfoPassTheirValidators) {
    const ProgramRun desktop = RunProgram({"desktop-file-validate", DESKTOP_ENTRY});
    EXPECT_EQ(desktop.status, 0) << desktop.out << desktop.err;
    EXPECT_EQ(desktop.out + desktop.err, "");  // not even a hint

    const ProgramRun metainfo = RunProgram({"appstreamcli", "validate", "--no-net", METAINFO});
    EXPECT_EQ(metainfo.status, 0) << metainfo.out << metainfo.err;
    EXPECT_TRUE(Contains(metainfo.out, "Validation was successful")) << metainfo.out;
}

TEST(PackageTest, HoldsBothProgramsAndTheirDesktopFilesAndTheProgramsRunUnpacked) {
    TempDir folder;
    const std::string deb = BuildPackage(folder);
    ASSERT_FALSE(deb.empty());
    EXPECT_EQ(fs::path(deb).filename().string().rfind("rostermate_" ROSTERMATE_VERSION "_", 0), 0u)
        << deb;

    const ProgramRun contents = RunProgram({"dpkg-deb", "--contents", deb});
    ASSERT_EQ(contents.status, 0) << contents.err;
    std::vector<std::string> expected = {
        "./usr/bin/rostermate",
        "./usr/bin/rostermate-sim",
        "./usr/share/applications/" + kId + ".desktop",
        "./usr/share/metainfo/" + kId + ".metainfo.xml",
        "./usr/share/icons/hicolor/scalable/apps/" + kId + ".svg",
        "./usr/share/man/man1/rostermate.1.gz",
        "./usr/share/man/man1/rostermate-sim.1.gz",
    };
    for (const char* size : {"16x16", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"})
        expected.push_back("./usr/share/icons/hicolor/" + std::string(size) + "/apps/" + kId +
                           ".png");
    for (const std::string& file : expected)
        EXPECT_TRUE(Contains(contents.out, " " + file + "\n")) << file << "\n" << contents.out;

    // The libraries it needs come from the programs themselves.
    const ProgramRun depends = RunProgram({"dpkg-deb", "--field", deb, "Depends"});
    EXPECT_TRUE(Contains(depends.out, "libqt6widgets6")) << depends.out;
    EXPECT_TRUE(Contains(depends.out, "libc6")) << depends.out;

    TempDir root;
    ASSERT_EQ(RunProgram({"dpkg", "-x", deb, root.Path()}).status, 0);
    const std::string bin = root.Path() + "/usr/bin/";
    for (const std::string program : {"rostermate", "rostermate-sim"}) {
        const ProgramRun version = RunWithoutDisplay(bin + program, "--version");
        EXPECT_EQ(version.status, 0) << version.err;
        EXPECT_EQ(version.out, program + " " ROSTERMATE_VERSION "\n");
        const ProgramRun help = RunWithoutDisplay(bin + program, "--help");
        EXPECT_EQ(help.status, 0) << help.err;
        EXPECT_TRUE(Contains(help.out, "--version")) << help.out;
        const ProgramRun wrong = RunWithoutDisplay(bin + program, "--colour");
        EXPECT_EQ(wrong.status, 2) << program;
        EXPECT_TRUE(Contains(wrong.err, "colour")) << wrong.err;
        EXPECT_EQ(wrong.out, "");
    }
    const ProgramRun manual =
        RunProgram({"gzip", "-dc", root.Path() + "/usr/share/man/man1/rostermate.1.gz"});
    EXPECT_TRUE(Contains(manual.out, ".TH ROSTERMATE 1")) << manual.out;
    EXPECT_TRUE(Contains(manual.out, "Rostermate " ROSTERMATE_VERSION)) << manual.out;
}
