// The uninstaller, run in this process in an installation folder: what a log
// names is removed in order; what it must not touch stays.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/installer.h"
#include "install_support.h"
#include "pf/registry.h"
#include "uninstall/uninstaller.h"

namespace {

using namespace vxinstall;

const char* const kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velnorix";

class Uninstaller : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(ship());
        fs::create_directories(folder());
    }

    fs::path ship() const { return temp_.path() / "ship"; }
    fs::path folder() const { return temp_.path() / "game"; }

    // Installs a small game with the real installer.
    void InstallGame() {
        WriteBytes(ship() / "data.1", FileEntry("velnorix", "game") +
                                          FileEntry("Uninstall.exe", "uninstaller") +
                                          DirectoryEntry("Data") + FileEntry("font.spr", "f") +
                                          FileEntry("menu.mdf", "m") + EndEntry());
        fs::current_path(ship());
        ASSERT_TRUE(installer::RunInstallation(folder().c_str()));
    }

    void CreateKeys() {
        for (auto [root, path] : {std::pair{pf::HKEY_CURRENT_USER, "Software\\Velnorix"},
                                  std::pair{pf::HKEY_LOCAL_MACHINE, "Software\\Velnorix"},
                                  std::pair{pf::HKEY_LOCAL_MACHINE, kUninstallKey}}) {
            pf::HKEY key = nullptr;
            ASSERT_EQ(pf::RegCreateKeyExA(root, path, 0, "", 0, pf::KEY_ALL_ACCESS, nullptr, &key,
                                          nullptr),
                      pf::ERROR_SUCCESS);
            pf::RegCloseKey(key);
        }
    }

    void WriteLog(const std::vector<std::string>& strings) {
        WriteBytes(folder() / "install.log", LogOf(strings));
    }

    int Uninstall(const fs::path& where) {
        fs::current_path(where);
        char commandLine[] = "";
        return uninstaller::WinMain(nullptr, nullptr, commandLine, 1);
    }
    int Uninstall() { return Uninstall(folder()); }

    void Touch(const fs::path& path) { WriteBytes(path, "x"); }

    TempFolder temp_;
    ScopedRegistry registry_;
    ScopedWorkingDirectory cwd_;
};

std::vector<std::string> Complete(std::vector<std::string> files) {
    for (const std::string& s : RegistryPart()) files.push_back(s);
    files.push_back("INSTALLATION_COMPLETE");
    return files;
}

TEST_F(Uninstaller, ACompleteLogLeavesOnlyTheInstallationFolder) {
    InstallGame();
    EXPECT_EQ(Uninstall(), 1);
    EXPECT_TRUE(fs::is_directory(folder()));
    EXPECT_TRUE(Listing(folder()).empty());
    EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
    EXPECT_FALSE(KeyExists(pf::HKEY_LOCAL_MACHINE, "Software\\Velnorix"));
    EXPECT_FALSE(KeyExists(pf::HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(KeyExists(pf::HKEY_LOCAL_MACHINE,
                          "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
    // The next installation can register again.
    fs::current_path(ship());
    EXPECT_TRUE(installer::RunInstallation(folder().c_str()));
}

TEST_F(Uninstaller, ASecondRunFindsNoLog) {
    InstallGame();
    ASSERT_EQ(Uninstall(), 1);
    EXPECT_EQ(Uninstall(), 0);
}

TEST_F(Uninstaller, FilesTheGameWroteLaterStayWithTheirDirectory) {
    InstallGame();
    Touch(folder() / "Screen001.raw");
    Touch(folder() / "Data" / "hiscore.dat");
    EXPECT_EQ(Uninstall(), 1);
    EXPECT_EQ(Listing(folder()),
              (std::vector<std::string>{"Data", "Data/hiscore.dat", "Screen001.raw"}));
}

TEST_F(Uninstaller, FilesLoggedBeforeTheFirstDirectoryAreInTheStartDirectory) {
    Touch(folder() / "a");
    Touch(folder() / "b");
    fs::create_directory(folder() / "D");
    Touch(folder() / "D" / "a");
    WriteLog(Complete({"a", "CREATED_DIRECTORY", folder().string() + "\\D", "b"}));
    EXPECT_EQ(Uninstall(), 1);
    // "b" was logged inside D, where there is none; D still holds its "a".
    EXPECT_EQ(Listing(folder()), (std::vector<std::string>{"D", "D/a", "b"}));
}

TEST_F(Uninstaller, ALoggedDirectoryThatIsMissingStopsTheRun) {
    InstallGame();
    fs::remove_all(folder() / "Data");
    EXPECT_EQ(Uninstall(), 0);
    // What came before stays deleted; the log and the keys stay.
    EXPECT_EQ(Listing(folder()), std::vector<std::string>{"install.log"});
    EXPECT_TRUE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
}

TEST_F(Uninstaller, AKeyWithoutARootIsSkipped) {
    CreateKeys();
    WriteLog({"CREATED_REG_KEYS", "Software\\Velnorix", "HKEY_LOCAL_MACHINE", "Software\\Velnorix",
              "INSTALLATION_COMPLETE"});
    EXPECT_EQ(Uninstall(), 1);
    EXPECT_TRUE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
    EXPECT_FALSE(KeyExists(pf::HKEY_LOCAL_MACHINE, "Software\\Velnorix"));
    EXPECT_TRUE(KeyExists(pf::HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(Uninstaller, OnlyTheInstallersThreeKeysAreDeleted) {
    CreateKeys();
    pf::HKEY key = nullptr;
    pf::RegCreateKeyExA(pf::HKEY_CURRENT_USER, "Software\\Other", 0, "", 0, pf::KEY_ALL_ACCESS,
                        nullptr, &key, nullptr);
    pf::RegCloseKey(key);
    WriteLog({"CREATED_REG_KEYS", "HKEY_CURRENT_USER", "Software\\Other", "HKEY_CURRENT_USER",
              "Software", "HKEY_CURRENT_USER", "Software\\Velnorix", "HKEY_CURRENT_USER",
              kUninstallKey, "INSTALLATION_COMPLETE"});
    EXPECT_EQ(Uninstall(), 1);
    EXPECT_TRUE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Other"));
    EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
    EXPECT_TRUE(KeyExists(pf::HKEY_LOCAL_MACHINE, kUninstallKey));  // logged under the wrong root
}

TEST_F(Uninstaller, NoLogOrAnUnreadableOneRemovesNothing) {
    Touch(folder() / "velnorix");
    EXPECT_EQ(Uninstall(), 0);
    fs::create_directory(folder() / "install.log");  // not a file
    EXPECT_EQ(Uninstall(), 0);
    EXPECT_TRUE(fs::exists(folder() / "velnorix"));
}

TEST_F(Uninstaller, UnsafeFileNamesAreSkipped) {
    const fs::path outside = temp_.path() / "outside";
    fs::create_directory(outside);
    Touch(outside / "precious");
    Touch(temp_.path() / "precious");
    Touch(folder() / "mine");
    WriteLog(Complete({"../precious", outside.string() + "/precious",
                       "..\\outside\\precious", "..", ".", "", "mine"}));
    EXPECT_EQ(Uninstall(), 1);
    EXPECT_TRUE(fs::exists(outside / "precious"));
    EXPECT_TRUE(fs::exists(temp_.path() / "precious"));
    EXPECT_FALSE(fs::exists(folder() / "mine"));
}

TEST_F(Uninstaller, DirectoriesOutsideTheStartDirectoryAreLeftAlone) {
    const fs::path outside = temp_.path() / "outside";
    fs::create_directory(outside);
    Touch(outside / "precious");
    fs::create_directory(folder() / "Data");
    Touch(folder() / "Data" / "font.spr");
    Touch(folder() / "precious");  // must not be taken for the outside one
    const std::string inside = folder().string() + "\\Data";
    WriteLog(Complete({"CREATED_DIRECTORY", outside.string(), "precious",
                       "CREATED_DIRECTORY", folder().string() + "\\Data\\..\\..\\outside",
                       "precious", "CREATED_DIRECTORY", temp_.path().string(), "precious",
                       "CREATED_DIRECTORY", folder().string(), "precious",
                       "CREATED_DIRECTORY", inside, "font.spr"}));
    EXPECT_EQ(Uninstall(), 1);
    EXPECT_TRUE(fs::exists(outside / "precious"));
    EXPECT_TRUE(fs::exists(folder() / "precious"));
    EXPECT_FALSE(fs::exists(folder() / "Data"));
}

TEST_F(Uninstaller, ALinkOutOfTheFolderIsNotFollowed) {
    const fs::path outside = temp_.path() / "outside";
    fs::create_directory(outside);
    Touch(outside / "precious");
    fs::create_directory_symlink(outside, folder() / "Data");
    WriteLog(Complete({"CREATED_DIRECTORY", folder().string() + "\\Data", "precious"}));
    EXPECT_EQ(Uninstall(), 1);
    EXPECT_TRUE(fs::exists(outside / "precious"));
}

TEST_F(Uninstaller, ARelativeDirectoryIsEnteredFromTheStartDirectory) {
    fs::create_directories(folder() / "Data");
    Touch(folder() / "Data" / "a");
    WriteLog(Complete({"CREATED_DIRECTORY", "Data", "a", "CREATED_DIRECTORY", "..\\game", "b"}));
    EXPECT_EQ(Uninstall(), 1);
    EXPECT_TRUE(Listing(folder()).empty());
}

TEST_F(Uninstaller, AtMostTenDirectoriesAreKept) {
    std::vector<std::string> log;
    for (int i = 0; i < 11; ++i) {
        const std::string name = "D" + std::to_string(i);
        fs::create_directory(folder() / name);
        Touch(folder() / name / "f");
        log.push_back("CREATED_DIRECTORY");
        log.push_back(folder().string() + "\\" + name);
        log.push_back("f");
    }
    WriteLog(Complete(log));
    EXPECT_EQ(Uninstall(), 1);
    // The eleventh is beyond what the uninstaller keeps: left whole.
    EXPECT_EQ(Listing(folder()), (std::vector<std::string>{"D10", "D10/f"}));
}

TEST_F(Uninstaller, ALogCutBeforeTheRegistryRemovesWhatItNamesAndNoKey) {
    CreateKeys();
    fs::create_directory(folder() / "Data");
    Touch(folder() / "velnorix");
    Touch(folder() / "velno");
    Touch(folder() / "Data" / "font.spr");
    Bytes log = LogOf({"CREATED_DIRECTORY", folder().string() + "\\Data", "font.spr"});
    Touch(folder() / "Data" / "menu");
    log += "menu.mdf";  // cut before its NUL: "menu" must survive
    WriteBytes(folder() / "install.log", LogOf({"velnorix"}) + log);
    EXPECT_EQ(Uninstall(), 1);
    EXPECT_EQ(Listing(folder()), (std::vector<std::string>{"Data", "Data/menu", "velno"}));
    EXPECT_TRUE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
    EXPECT_TRUE(KeyExists(pf::HKEY_LOCAL_MACHINE, "Software\\Velnorix"));
}

TEST_F(Uninstaller, ALogCutInTheRegistryLeavesTheKeyThatStoppedTheInstallation) {
    CreateKeys();
    WriteLog({"CREATED_REG_KEYS", "HKEY_CURRENT_USER", "Software\\Velnorix", "HKEY_LOCAL_MACHINE",
              "Software\\Velnorix"});
    EXPECT_EQ(Uninstall(), 1);
    EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
    EXPECT_TRUE(KeyExists(pf::HKEY_LOCAL_MACHINE, "Software\\Velnorix"));
    EXPECT_FALSE(fs::exists(folder() / "install.log"));
}

TEST_F(Uninstaller, AFailedSecondInstallationDoesNotRemoveTheFirstOnesKeys) {
    InstallGame();
    const fs::path other = temp_.path() / "other";
    fs::current_path(ship());
    ASSERT_FALSE(installer::RunInstallation(other.c_str()));
    EXPECT_EQ(Uninstall(other), 1);
    EXPECT_TRUE(Listing(other).empty());
    EXPECT_EQ(QueryText(pf::HKEY_CURRENT_USER, "Software\\Velnorix", "Path"), folder().string());
    // The first installation still uninstalls completely.
    EXPECT_EQ(Uninstall(), 1);
    EXPECT_TRUE(Listing(folder()).empty());
    EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
}

TEST_F(Uninstaller, InsideDirectoryRules) {
    EXPECT_TRUE(uninstaller::IsInsideDirectory("/g", "/g\\Data"));
    EXPECT_TRUE(uninstaller::IsInsideDirectory("/g/", "//g//Data/"));
    EXPECT_TRUE(uninstaller::IsInsideDirectory("/g", "Data\\Sub"));
    EXPECT_FALSE(uninstaller::IsInsideDirectory("/g", "/g"));
    EXPECT_FALSE(uninstaller::IsInsideDirectory("/g", "/gx\\Data"));
    EXPECT_FALSE(uninstaller::IsInsideDirectory("/g", "/g\\.\\Data"));
    EXPECT_FALSE(uninstaller::IsInsideDirectory("/g", "/g\\Data\\.."));
    EXPECT_FALSE(uninstaller::IsInsideDirectory("/g", "/"));
    EXPECT_FALSE(uninstaller::IsInsideDirectory("/g", ""));
    EXPECT_FALSE(uninstaller::IsInsideDirectory("/g", ".."));
    // Windows paths: a drive makes a path absolute.
    EXPECT_TRUE(uninstaller::IsInsideDirectory("C:\\g", "C:\\g\\Data"));
    EXPECT_FALSE(uninstaller::IsInsideDirectory("C:\\g", "C:\\Windows"));
    EXPECT_FALSE(uninstaller::IsInsideDirectory("C:\\g", "D:\\g\\Data"));
    EXPECT_FALSE(uninstaller::IsInsideDirectory("C:\\g", "C:Data"));
    EXPECT_FALSE(uninstaller::IsPlainFileName("C:x"));
}

}  // namespace
