// The real programs: the archive packer, the installer unattended from the
// ship folder, the installed game's files, and the installed uninstaller.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "install_support.h"
#include "pf/registry.h"
#include "support/support.h"

namespace {

using namespace vxinstall;

fs::path Program(const char* name) { return BuildDir() / name; }

// The names in a folder, links included as links, sorted.
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

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

TEST(Packer, RefusesALinkInItsFolder) {
    if (!fs::exists(Program("vx-pack"))) GTEST_SKIP() << "vx-pack not built";
    TempFolder temp;
    WriteBytes(temp.path() / "secret", "not for the archive");
    fs::create_directories(temp.path() / "Data" / "Music");
    WriteBytes(temp.path() / "Data" / "a.spr", "a");
    for (const fs::path& link : {temp.path() / "Data" / "z.spr", temp.path() / "Data" / "Music" / "m"}) {
        fs::create_symlink(temp.path() / "secret", link);
        EXPECT_EQ(RunProgram(Program("vx-pack"), {"--output", "out", "--dir", "Data=Data"}, temp.path())
                      .status,
                  1)
            << link;
        EXPECT_FALSE(fs::exists(temp.path() / "out"));
        fs::remove(link);
    }
    fs::create_directory_symlink(temp.path(), temp.path() / "Data" / "Loop");
    EXPECT_EQ(RunProgram(Program("vx-pack"), {"--output", "out", "--dir", "Data=Data"}, temp.path())
                  .status,
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

// A link named like a file of the archive, or like the log, already in the
// folder: the installation fails and the file it points to stays as it was.
TEST_F(EndToEnd, LinksInTheFolderAreNeverWrittenThrough) {
    const fs::path outside = temp_.path() / "outside";
    fs::create_directory(outside);
    for (const char* name : {"velnorix", "Uninstall.exe", "install.log"}) {
        const fs::path game = temp_.path() / (std::string("game-") + name);
        fs::create_directory(game);
        WriteBytes(outside / name, "precious");
        fs::permissions(outside / name, fs::perms::owner_read | fs::perms::owner_write);
        fs::create_symlink(outside / name, game / name);
        fs::create_symlink(outside / "nothing", game / "install.log.missing");

        const RunResult install = Install(game.string());
        EXPECT_EQ(install.output, "Error: Installation terminated\n") << name;
        EXPECT_EQ(install.status, 1) << name;
        EXPECT_EQ(ReadBytes(outside / name), "precious") << name;
        EXPECT_FALSE(IsExecutable(outside / name)) << name;
        EXPECT_TRUE(fs::is_symlink(game / name)) << name;
        EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix")) << name;
        // What the installation did write, its uninstaller (or, when it could
        // not be written, the one built) removes, and nothing else.
        const bool installed = fs::is_regular_file(fs::symlink_status(game / "Uninstall.exe"));
        const fs::path uninstaller = installed ? game / "Uninstall.exe" : Program("velnorix-uninstall");
        if (fs::is_regular_file(fs::symlink_status(game / "install.log"))) {
            EXPECT_EQ(RunProgram(uninstaller, {}, game, environment_).status, 1) << name;
        }
        // The uninstaller deletes "Uninstall.exe" whatever it is: a link
        // goes, what it points to stays.
        std::vector<std::string> left = {"install.log.missing"};
        if (std::string(name) != "Uninstall.exe") left.push_back(name);
        std::sort(left.begin(), left.end());
        EXPECT_EQ(Names(game), left) << name;
    }
    EXPECT_EQ(Names(outside), (std::vector<std::string>{"Uninstall.exe", "install.log", "velnorix"}));
}

// A folder named with "." and ".." parts through a link, a second
// installation into it, directories nested in the archive (as the packer
// makes them), a full disk: each fails or succeeds as it should, and the
// uninstaller always removes what was installed.
TEST_F(EndToEnd, HardFoldersRepeatedInstallsAndAFullDiskAllUninstall) {
    if (!fs::exists(Program("vx-pack"))) GTEST_SKIP() << "vx-pack not built";
    // A ship whose Data folder nests two levels deep.
    const fs::path ship = temp_.path() / "ship";
    const fs::path source = temp_.path() / "source";
    fs::create_directories(source / "Data" / "Music" / "Extra");
    WriteBytes(source / "readme", "read me");
    WriteBytes(source / "Data" / "a.spr", "a");
    WriteBytes(source / "Data" / "Music" / "menu.mdf", "m");
    WriteBytes(source / "Data" / "Music" / "Extra" / "x", "x");
    fs::create_directory(ship);
    fs::copy_file(ship_ / "velnorix-install", ship / "velnorix-install");
    ASSERT_EQ(RunProgram(Program("vx-pack"),
                         {"--output", (ship / "data.1").string(), "--file",
                          "Uninstall.exe=" + Program("velnorix-uninstall").string(), "--file",
                          "readme=readme", "--dir", "Data=Data"},
                         source)
                  .status,
              0);
    auto install = [&](const std::string& folder, size_t limit = 0) {
        return RunProgram(ship / "velnorix-install", {"--unattended", folder}, ship, environment_,
                          limit);
    };

    // Reached through a link, with "." and ".." parts.
    const fs::path real = temp_.path() / "real";
    fs::create_directories(real / "x");
    fs::create_directory_symlink(real, temp_.path() / "link");
    const std::string folder = (temp_.path() / "link").string() + "/./x/../game";
    const fs::path game = real / "game";
    RunResult run = install(folder);
    EXPECT_EQ(run.output, "Velnorix For Win32 successfully installed\n");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(ReadBytes(game / "Data" / "Music" / "Extra" / "x"), "x");

    // A second installation into the same folder fails and keeps the log.
    const Bytes log = ReadBytes(game / "install.log");
    WriteBytes(game / "readme", "the user's notes");
    run = install(folder);
    EXPECT_EQ(run.output, "Error: Installation terminated\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(ReadBytes(game / "install.log"), log);
    EXPECT_EQ(ReadBytes(game / "readme"), "the user's notes");

    // The uninstaller, started in the real folder, removes every file and
    // directory (the deepest first) and the three keys.
    run = RunProgram(game / "Uninstall.exe", {}, game, environment_);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Listing(game).empty()) << Listing(game).front();
    EXPECT_TRUE(Listing(real / "x").empty());
    EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
    EXPECT_FALSE(KeyExists(pf::HKEY_LOCAL_MACHINE, "Software\\Velnorix"));
    EXPECT_FALSE(KeyExists(pf::HKEY_LOCAL_MACHINE,
                           "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velnorix"));

    // A disk that fills during the game's program (the shipped archive):
    // failure, not success, and the log names the file cut short.
    const fs::path full = temp_.path() / "full";
    run = RunProgram(ship_ / "velnorix-install", {"--unattended", full.string()}, ship_,
                     environment_, 64 * 1024);
    EXPECT_EQ(run.output, "Error: Installation terminated\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_LT(fs::file_size(full / "velnorix"), fs::file_size(BuildDir() / "velnorix"));
    EXPECT_EQ(ReadBytes(full / "install.log"), Bytes("velnorix\0", 9));
    EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
    EXPECT_EQ(RunProgram(Program("velnorix-uninstall"), {}, full, environment_).status, 1);
    EXPECT_TRUE(Listing(full).empty());

    // A disk that fills while the log is written (an archive of small
    // files): what could not be logged is removed again.
    const fs::path small = temp_.path() / "small";
    fs::create_directory(small);
    fs::copy_file(ship_ / "velnorix-install", small / "velnorix-install");
    ASSERT_EQ(RunProgram(Program("vx-pack"),
                         {"--output", (small / "data.1").string(), "--file", "readme=readme",
                          "--dir", "Data=Data"},
                         source)
                  .status,
              0);
    run = RunProgram(small / "velnorix-install", {"--unattended", game.string()}, small,
                     environment_, 64);
    EXPECT_EQ(run.output, "Error: Installation terminated\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(ReadBytes(game / "install.log").substr(0, 25), Bytes("readme\0CREATED_DIRECTORY\0", 25));
    EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
    EXPECT_EQ(RunProgram(Program("velnorix-uninstall"), {}, game, environment_).status, 1);
    EXPECT_TRUE(Listing(game).empty()) << Listing(game).front();

    // And the next installation succeeds.
    EXPECT_EQ(install(game.string()).status, 0);
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
