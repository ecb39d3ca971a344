// The real programs: the archive packer, the installer unattended from the
// ship folder, the installed game's files, and the installed uninstaller.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install_support.h"
#include "pf/registry.h"
#include "support/support.h"

namespace {

using namespace vxinstall;

fs::path Program(const char* name) { return BuildDir() / name; }

bool IsExecutable(const fs::path& path) {
    return (fs::status(path).permissions() & fs::perms::owner_exec) != fs::perms::none;
}

TEST(Packer, BuildsTheArchiveInInstallOrder) {
    if (!fs::exists(Program("vx-pack"))) GTEST_SKIP() << "vx-pack not built";
    TempFolder temp;
    const fs::path data = temp.path() / "Data";
    fs::create_directories(data / "Music");
    WriteBytes(data / "z.spr", "z");
    WriteBytes(data / "a.ldf", "aa");
    WriteBytes(data / "Music" / "menu.mdf", "");
    WriteBytes(temp.path() / "game", "G");
    WriteBytes(temp.path() / "un", "U");

    const RunResult run = RunProgram(Program("vx-pack"),
                              {"--output", "data.1", "--file", "velnorix=game", "--file",
                               "Uninstall.exe=un", "--dir", "Data=Data"},
                              temp.path());
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(ReadBytes(temp.path() / "data.1"),
              FileEntry("velnorix", "G") + FileEntry("Uninstall.exe", "U") +
                  DirectoryEntry("Data") + FileEntry("a.ldf", "aa") + FileEntry("z.spr", "z") +
                  DirectoryEntry("Data\\Music") + FileEntry("menu.mdf", "") + EndEntry());
}

TEST(Packer, RefusesNamesTheInstallerWouldRefuse) {
    if (!fs::exists(Program("vx-pack"))) GTEST_SKIP() << "vx-pack not built";
    TempFolder temp;
    WriteBytes(temp.path() / "f", "f");
    for (const char* file : {"install.log=f", "CREATED_DIRECTORY=f", "a\\b=f", "..=f"}) {
        EXPECT_EQ(RunProgram(Program("vx-pack"), {"--output", "out", "--file", file}, temp.path()).status,
                  1)
            << file;
    }
    fs::create_directory(temp.path() / "deep");
    fs::path level = temp.path() / "deep";
    for (int i = 0; i < 10; ++i) fs::create_directory(level /= "d");
    EXPECT_EQ(RunProgram(Program("vx-pack"), {"--output", "out", "--dir", "Data=deep"}, temp.path()).status,
              1);
    EXPECT_FALSE(fs::exists(temp.path() / "out"));
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ship_ = BuildDir() / "ship";
        if (!fs::exists(ship_ / "velnorix-install") || !fs::exists(ship_ / "data.1"))
            GTEST_SKIP() << "the ship folder is not built";
        environment_ = {"VELNORIX_REGISTRY=" + registry_.path().string(), "DISPLAY="};
    }
    RunResult Install(const std::string& folder) {
        return RunProgram(ship_ / "velnorix-install", {"--unattended", folder}, ship_, environment_);
    }

    TempFolder temp_;
    ScopedRegistry registry_;  // the programs and this test share the store
    fs::path ship_;
    std::vector<std::string> environment_;
};

TEST_F(EndToEnd, InstallRunUninstall) {
    const fs::path game = temp_.path() / "Velnorix";
    const RunResult install = Install(game.string());
    EXPECT_EQ(install.output, "Velnorix For Win32 successfully installed\n");
    ASSERT_EQ(install.status, 0);

    // The game program, the uninstaller and the Data folder as built.
    EXPECT_TRUE(IsExecutable(game / "velnorix"));
    EXPECT_TRUE(IsExecutable(game / "Uninstall.exe"));
    EXPECT_EQ(ReadBytes(game / "velnorix"), ReadBytes(BuildDir() / "velnorix"));
    EXPECT_EQ(ReadBytes(game / "Uninstall.exe"), ReadBytes(BuildDir() / "velnorix-uninstall"));
    ASSERT_TRUE(fs::is_directory(game / "Data"));
    if (fs::is_directory(VX_DATA_DIR)) {
        EXPECT_EQ(Listing(game / "Data"), Listing(VX_DATA_DIR));
        for (const std::string& name : Listing(VX_DATA_DIR)) {
            if (!fs::is_regular_file(fs::path(VX_DATA_DIR) / name)) continue;
            EXPECT_EQ(ReadBytes(game / "Data" / name), ReadBytes(fs::path(VX_DATA_DIR) / name))
                << name;
        }
    }
    const Bytes log = ReadBytes(game / "install.log");
    EXPECT_EQ(log.substr(0, 24), Bytes("velnorix\0Uninstall.exe\0", 23) + "C");
    EXPECT_EQ(log.substr(log.size() - 22), Bytes("INSTALLATION_COMPLETE\0", 22));
    EXPECT_EQ(QueryText(pf::HKEY_LOCAL_MACHINE,
                        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velnorix",
                        "UninstallString"),
              game.string() + "\\Uninstall.exe");

    // The installed game starts from there and quits from its menu (DOWN to
    // QUIT, RETURN) without a fatal message.
    if (fs::exists(Program("velnorix-headless"))) {
        const vxtest::HeadlessRun game_run = vxtest::RunHeadless(
            {"--dir", game.string(), "--max-ms", "20000"},
            "4000 key DOWN down\n4100 key DOWN up\n5000 key RETURN down\n");
        EXPECT_EQ(game_run.status, 0);
        ASSERT_TRUE(game_run.reportRead);
        EXPECT_EQ(game_run.report.exit, "returned");
        EXPECT_TRUE(game_run.report.messageBoxes.empty());
        EXPECT_GT(game_run.report.flips, 10);
    }

    // The installed uninstaller removes everything but the folder.
    const RunResult uninstall = RunProgram(game / "Uninstall.exe", {}, game, environment_);
    EXPECT_EQ(uninstall.status, 1);
    EXPECT_EQ(uninstall.output, "");
    EXPECT_TRUE(fs::is_directory(game));
    EXPECT_TRUE(Listing(game).empty());
    EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
    EXPECT_EQ(RunProgram(Program("velnorix-uninstall"), {}, game, environment_).status, 0);
}

TEST_F(EndToEnd, ASecondInstallationIntoTheSameFolderFails) {
    ASSERT_EQ(Install((temp_.path() / "game").string()).status, 0);
    const RunResult again = Install((temp_.path() / "game").string());
    EXPECT_EQ(again.output, "Error: Installation terminated\n");
    EXPECT_EQ(again.status, 1);
}

TEST_F(EndToEnd, ARelativeFolderIsTakenFromTheWorkingDirectory) {
    const RunResult install =
        RunProgram(ship_ / "velnorix-install", {"--unattended", "game"}, temp_.path(), environment_);
    // The archive is read from the working directory, which has none.
    EXPECT_EQ(install.output, "Error: Installation terminated\n");
    EXPECT_EQ(install.status, 1);
    EXPECT_TRUE(fs::is_directory(temp_.path() / "game"));
    fs::copy_file(ship_ / "data.1", temp_.path() / "data.1");
    EXPECT_EQ(RunProgram(ship_ / "velnorix-install", {"--unattended", "game"}, temp_.path(), environment_)
                  .status,
              0);
    EXPECT_TRUE(IsExecutable(temp_.path() / "game" / "velnorix"));
}

TEST_F(EndToEnd, BadArgumentsAreRefused) {
    EXPECT_EQ(RunProgram(ship_ / "velnorix-install", {"--unattended"}, ship_, environment_).status, 2);
    EXPECT_EQ(RunProgram(ship_ / "velnorix-install", {"--bogus"}, ship_, environment_).status, 2);
}

}  // namespace
