// The installation procedure, run in this process on real folders with a
// private registry store.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/installer.h"
#include "install_support.h"
#include "pf/registry.h"
#include "../../platform/core/backend.h"

namespace {

using namespace vxinstall;

const std::string kElf = std::string("\x7f" "ELF", 4) + "program";

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(ship());
        fs::current_path(ship());
    }
    void TearDown() override { pf::core::ClearFaults(); }

    fs::path ship() const { return temp_.path() / "ship"; }
    fs::path folder() const { return temp_.path() / "game"; }
    void SetArchive(const Bytes& image) { WriteBytes(ship() / "data.1", image); }
    bool Install(const fs::path& where) {
        const bool result = installer::RunInstallation(where.c_str());
        fs::current_path(ship());
        return result;
    }
    Bytes Log(const fs::path& where) const { return ReadBytes(where / "install.log"); }

    TempFolder temp_;
    ScopedRegistry registry_;
    ScopedWorkingDirectory cwd_;
};

const Bytes kExample = FileEntry("readme.txt", "Read me") + DirectoryEntry("Data") +
                       FileEntry("menu.mdf", "module") + EndEntry();

TEST_F(Installer, TheExampleArchiveGivesTheTwelveStringLog) {
    SetArchive(kExample);
    ASSERT_TRUE(Install(folder()));

    std::vector<std::string> expected = {"readme.txt", "CREATED_DIRECTORY",
                                         folder().string() + "\\Data", "menu.mdf"};
    for (const std::string& s : RegistryPart()) expected.push_back(s);
    expected.push_back("INSTALLATION_COMPLETE");
    ASSERT_EQ(expected.size(), 12u);
    EXPECT_EQ(Log(folder()), LogOf(expected));

    EXPECT_EQ(ReadBytes(folder() / "readme.txt"), "Read me");
    EXPECT_EQ(ReadBytes(folder() / "Data" / "menu.mdf"), "module");
    EXPECT_EQ(Listing(folder()),
              (std::vector<std::string>{"Data", "Data/menu.mdf", "install.log", "readme.txt"}));
}

TEST_F(Installer, RecordsTheSixRegistryValues) {
    SetArchive(kExample);
    ASSERT_TRUE(Install(folder()));
    const std::string path = folder().string();
    EXPECT_EQ(QueryText(pf::HKEY_CURRENT_USER, "Software\\Velnorix", "Version"), "1.00");
    EXPECT_EQ(QueryText(pf::HKEY_CURRENT_USER, "Software\\Velnorix", "Path"), path);
    EXPECT_EQ(QueryText(pf::HKEY_LOCAL_MACHINE, "Software\\Velnorix", "Version"), "1.00");
    EXPECT_EQ(QueryText(pf::HKEY_LOCAL_MACHINE, "Software\\Velnorix", "Path"), path);
    const char* uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velnorix";
    EXPECT_EQ(QueryText(pf::HKEY_LOCAL_MACHINE, uninstall, "DisplayName"), "Velnorix For Win32");
    EXPECT_EQ(QueryText(pf::HKEY_LOCAL_MACHINE, uninstall, "UninstallString"),
              path + "\\Uninstall.exe");
}

TEST_F(Installer, AnEmptyArchiveInstallsNothingButTheRegistry) {
    SetArchive(EndEntry());
    ASSERT_TRUE(Install(folder()));
    std::vector<std::string> expected = RegistryPart();
    expected.push_back("INSTALLATION_COMPLETE");
    EXPECT_EQ(Log(folder()), LogOf(expected));
    EXPECT_EQ(Listing(folder()), std::vector<std::string>{"install.log"});
}

TEST_F(Installer, AZeroSizeFileIsCreatedAndLogged) {
    SetArchive(FileEntry("empty.dat", "") + EndEntry());
    ASSERT_TRUE(Install(folder()));
    ASSERT_TRUE(fs::exists(folder() / "empty.dat"));
    EXPECT_EQ(fs::file_size(folder() / "empty.dat"), 0u);
    EXPECT_EQ(Log(folder()).substr(0, 10), Bytes("empty.dat\0", 10));
}

TEST_F(Installer, TwoDirectoryEntriesInARowMakeSiblings) {
    SetArchive(DirectoryEntry("Data") + DirectoryEntry("Music") + FileEntry("a.mdf", "a") +
               EndEntry());
    ASSERT_TRUE(Install(folder()));
    const std::string base = folder().string();
    EXPECT_EQ(Log(folder()).substr(0, LogOf({"CREATED_DIRECTORY", base + "\\Data",
                                             "CREATED_DIRECTORY", base + "\\Music", "a.mdf"})
                                          .size()),
              LogOf({"CREATED_DIRECTORY", base + "\\Data", "CREATED_DIRECTORY", base + "\\Music",
                     "a.mdf"}));
    EXPECT_TRUE(fs::is_directory(folder() / "Data"));
    EXPECT_TRUE(fs::exists(folder() / "Music" / "a.mdf"));
}

TEST_F(Installer, ADirectoryNameMayNameASubfolderOfAnEarlierOne) {
    SetArchive(DirectoryEntry("Data") + DirectoryEntry("Data\\Levels") + FileEntry("l1", "1") +
               EndEntry());
    ASSERT_TRUE(Install(folder()));
    EXPECT_EQ(ReadBytes(folder() / "Data" / "Levels" / "l1"), "1");
}

// The first installation's log is the only record of what to remove: a
// second installation into the same folder fails before writing anything.
TEST_F(Installer, InstallingTwiceFailsBeforeWritingAndKeepsTheFirstLog) {
    SetArchive(kExample);
    ASSERT_TRUE(Install(folder()));
    const Bytes firstLog = Log(folder());
    WriteBytes(folder() / "readme.txt", "changed by the user");

    EXPECT_FALSE(Install(folder()));
    EXPECT_EQ(ReadBytes(folder() / "readme.txt"), "changed by the user");
    EXPECT_EQ(Log(folder()), firstLog);
}

TEST_F(Installer, InstallingElsewhereWhileTheKeysExistFailsAfterTheFiles) {
    SetArchive(kExample);
    ASSERT_TRUE(Install(folder()));
    const fs::path other = temp_.path() / "other";

    EXPECT_FALSE(Install(other));
    EXPECT_EQ(ReadBytes(other / "Data" / "menu.mdf"), "module");
    EXPECT_EQ(Log(other), LogOf({"readme.txt", "CREATED_DIRECTORY", other.string() + "\\Data",
                                 "menu.mdf", "CREATED_REG_KEYS", "HKEY_CURRENT_USER",
                                 "Software\\Velnorix"}));
    // The earlier installation's registration is untouched.
    EXPECT_EQ(QueryText(pf::HKEY_CURRENT_USER, "Software\\Velnorix", "Path"), folder().string());
}

TEST_F(Installer, ALaterKeyThatExistsStopsTheRegistryStepWithItsPairLogged) {
    SetArchive(EndEntry());
    pf::HKEY key = nullptr;
    ASSERT_EQ(pf::RegCreateKeyExA(pf::HKEY_LOCAL_MACHINE, "Software\\Velnorix", 0, "", 0,
                                  pf::KEY_ALL_ACCESS, nullptr, &key, nullptr),
              pf::ERROR_SUCCESS);
    pf::RegCloseKey(key);

    EXPECT_FALSE(Install(folder()));
    EXPECT_EQ(Log(folder()), LogOf({"CREATED_REG_KEYS", "HKEY_CURRENT_USER", "Software\\Velnorix",
                                    "HKEY_LOCAL_MACHINE", "Software\\Velnorix"}));
    EXPECT_EQ(QueryText(pf::HKEY_CURRENT_USER, "Software\\Velnorix", "Path"), folder().string());
}

TEST_F(Installer, AKeyThatCannotBeCreatedFailsTheRegistryStep) {
    SetArchive(EndEntry());
    pf::core::AddFault("RegCreateKeyExA", 1, pf::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(Install(folder()));
    EXPECT_EQ(Log(folder()), LogOf({"CREATED_REG_KEYS", "HKEY_CURRENT_USER", "Software\\Velnorix"}));
    EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
}

TEST_F(Installer, AnEmptyPathFailsBeforeWritingAnything) {
    SetArchive(kExample);
    EXPECT_FALSE(Install(""));
    EXPECT_EQ(Listing(ship()), std::vector<std::string>{"data.1"});
}

TEST_F(Installer, AFolderWhoseParentIsMissingFails) {
    SetArchive(kExample);
    EXPECT_FALSE(Install(temp_.path() / "missing" / "game"));
    EXPECT_FALSE(fs::exists(temp_.path() / "missing"));
}

TEST_F(Installer, WithoutTheArchiveOnlyTheFolderIsCreated) {
    EXPECT_FALSE(Install(folder()));
    EXPECT_TRUE(fs::is_directory(folder()));
    EXPECT_TRUE(Listing(folder()).empty());
    EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
}

TEST_F(Installer, AnExistingFolderIsAccepted) {
    fs::create_directory(folder());
    SetArchive(kExample);
    EXPECT_TRUE(Install(folder()));
}

TEST_F(Installer, ProgramsAreMadeExecutable) {
    SetArchive(FileEntry("velnorix", kElf) + FileEntry("run.sh", "#!/bin/sh\n") +
               FileEntry("readme.txt", "ELF") + EndEntry());
    ASSERT_TRUE(Install(folder()));
    const auto exec = fs::perms::owner_exec;
    EXPECT_NE(fs::status(folder() / "velnorix").permissions() & exec, fs::perms::none);
    EXPECT_NE(fs::status(folder() / "run.sh").permissions() & exec, fs::perms::none);
    EXPECT_EQ(fs::status(folder() / "readme.txt").permissions() & exec, fs::perms::none);
}

TEST_F(Installer, AFolderTooLongForTheUninstallerPathFailsBeforeWritingAnything) {
    // folder\Uninstall.exe fits in 260 bytes with its NUL up to a folder of
    // 245 characters; folder\Data would fit up to 254.
    const std::string base = temp_.path().string() + "/";
    SetArchive(FileEntry("a", "a") + DirectoryEntry("Data") + EndEntry());
    for (const size_t length : {254u, 246u}) {
        const fs::path longFolder = base + std::string(length - base.size(), 'f');
        ASSERT_EQ(longFolder.string().size(), length);
        EXPECT_FALSE(Install(longFolder)) << length;
        EXPECT_FALSE(fs::exists(longFolder)) << length;
    }
    EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
    const fs::path longest = base + std::string(245 - base.size(), 'f');
    EXPECT_TRUE(Install(longest));
    EXPECT_EQ(QueryText(pf::HKEY_LOCAL_MACHINE,
                        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velnorix",
                        "UninstallString")
                  .size(),
              259u);
}

// Every unsafe or damaged archive fails with nothing written: no file, no
// log, nothing outside the folder.
TEST_F(Installer, UnsafeOrDamagedArchivesAreRefusedBeforeWriting) {
    const Bytes file = FileEntry("ok", "content");
    const std::vector<Bytes> images = {
        FileEntry("../escape", "x") + EndEntry(),
        FileEntry("sub/escape", "x") + EndEntry(),
        FileEntry("sub\\escape", "x") + EndEntry(),
        FileEntry("..", "x") + EndEntry(),
        FileEntry(".", "x") + EndEntry(),
        FileEntry("", "x") + EndEntry(),
        FileEntry("install.log", "x") + EndEntry(),
        FileEntry("CREATED_REG_KEYS", "x") + EndEntry(),
        file + DirectoryEntry("..") + FileEntry("escape", "x") + EndEntry(),
        file + DirectoryEntry("Data\\..\\..") + FileEntry("escape", "x") + EndEntry(),
        file + DirectoryEntry(temp_.path().string()) + FileEntry("escape", "x") + EndEntry(),
        file + DirectoryEntry("\\tmp") + EndEntry(),
        file + DirectoryEntry("") + EndEntry(),
        file + DirectoryEntry("C:\\Games") + EndEntry(),
        // Nested only below a directory the archive created before.
        file + DirectoryEntry("Other\\Sub") + EndEntry(),
        file + DirectoryEntry("Data") + DirectoryEntry("Dat\\Sub") + EndEntry(),
        // More directories than the uninstaller keeps.
        file + DirectoryEntry("D0") + DirectoryEntry("D1") + DirectoryEntry("D2") +
            DirectoryEntry("D3") + DirectoryEntry("D4") + DirectoryEntry("D5") +
            DirectoryEntry("D6") + DirectoryEntry("D7") + DirectoryEntry("D8") +
            DirectoryEntry("D9") + DirectoryEntry("D10") + EndEntry(),
        file + file.substr(0, file.size() - 1),   // content past the end
        file,                                    // no end entry
        "",                                      // empty file
    };
    for (const Bytes& image : images) {
        SetArchive(image);
        EXPECT_FALSE(Install(folder())) << "archive of " << image.size() << " bytes";
        EXPECT_TRUE(Listing(folder()).empty());
        EXPECT_EQ(Listing(temp_.path()),
                  (std::vector<std::string>{"game", "ship", "ship/data.1"}));
    }
}

TEST_F(Installer, APathTooLongForADirectoryFailsBeforeWritingAnything) {
    const std::string base = temp_.path().string() + "/";
    const fs::path longFolder = base + std::string(240 - base.size(), 'g');
    SetArchive(FileEntry("a", "a") + DirectoryEntry(std::string(20, 'D')) + EndEntry());
    EXPECT_FALSE(Install(longFolder));
    EXPECT_TRUE(Listing(longFolder).empty());
}

// A full disk: every write of a file's contents and of the log is checked.
// A file created but cut short is logged (the uninstaller removes it); keys
// created before the log failed are deleted again, since no log names them.
TEST_F(Installer, AFailedWriteFailsTheInstallationAndLeavesNoKeyUnlogged) {
    SetArchive(FileEntry("a", "content") + FileEntry("b", "b") + EndEntry());
    pf::core::AddFault("WriteFile", 1, 0);  // the content of "a"
    EXPECT_FALSE(Install(folder()));
    EXPECT_EQ(Log(folder()), LogOf({"a"}));
    EXPECT_FALSE(fs::exists(folder() / "b"));
    fs::remove_all(folder());

    // Nothing could be logged either: the file goes, and so does the empty
    // log, which would only stand in the way of the next installation.
    pf::core::AddFault("WriteFile", 1, 0);
    pf::core::AddFault("WriteFile", 2, 0);
    EXPECT_FALSE(Install(folder()));
    EXPECT_TRUE(Listing(folder()).empty());
    fs::remove_all(folder());

    // Writes: 1 "a", 2 its name, 3 "b", 4 its name, 5 CREATED_REG_KEYS,
    // 6-7, 8-9 and 10-11 the three pairs, 12 INSTALLATION_COMPLETE.
    for (const unsigned failing : {2u, 5u, 6u, 9u, 11u, 12u}) {
        pf::core::AddFault("WriteFile", failing, 0);
        EXPECT_FALSE(Install(folder())) << failing;
        pf::core::ClearFaults();
        EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix")) << failing;
        EXPECT_FALSE(KeyExists(pf::HKEY_LOCAL_MACHINE, "Software\\Velnorix")) << failing;
        EXPECT_FALSE(KeyExists(pf::HKEY_LOCAL_MACHINE,
                               "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velnorix"))
            << failing;
        EXPECT_EQ(Log(folder()).find(Bytes("INSTALLATION_COMPLETE")), Bytes::npos) << failing;
        fs::remove_all(folder());
    }
    EXPECT_TRUE(Install(folder()));
}

TEST_F(Installer, AFileThatCannotBeCreatedFailsTheInstallation) {
    SetArchive(FileEntry("a", "a") + FileEntry("b", "b") + EndEntry());
    fs::create_directory(folder());
    fs::create_directory(folder() / "b");  // a folder in the way
    EXPECT_FALSE(Install(folder()));
    EXPECT_EQ(Log(folder()), LogOf({"a"}));
}

}  // namespace
