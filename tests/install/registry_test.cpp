// The registry stand-in: keys, values, dispositions, deletion and the store
// on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "install_support.h"
#include "pf/registry.h"
#include "../../platform/core/backend.h"

namespace {

using namespace vxinstall;

class Registry : public ::testing::Test {
protected:
    void TearDown() override { pf::core::ClearFaults(); }

    pf::HKEY Create(pf::HKEY root, const char* path, pf::DWORD* disposition = nullptr) {
        pf::HKEY key = nullptr;
        EXPECT_EQ(pf::RegCreateKeyExA(root, path, 0, "", pf::REG_OPTION_NON_VOLATILE,
                                      pf::KEY_ALL_ACCESS, nullptr, &key, disposition),
                  pf::ERROR_SUCCESS);
        return key;
    }
    void SetText(pf::HKEY key, const char* name, const std::string& data) {
        EXPECT_EQ(pf::RegSetValueExA(key, name, 0, pf::REG_SZ,
                                     reinterpret_cast<const pf::BYTE*>(data.data()),
                                     static_cast<pf::DWORD>(data.size())),
                  pf::ERROR_SUCCESS);
    }

    ScopedRegistry registry_;
};

TEST_F(Registry, CreateTellsNewFromExisting) {
    pf::DWORD disposition = 0;
    pf::HKEY key = Create(pf::HKEY_CURRENT_USER, "Software\\Velnorix", &disposition);
    EXPECT_EQ(disposition, pf::REG_CREATED_NEW_KEY);
    pf::RegCloseKey(key);
    key = Create(pf::HKEY_CURRENT_USER, "Software\\Velnorix", &disposition);
    EXPECT_EQ(disposition, pf::REG_OPENED_EXISTING_KEY);
    pf::RegCloseKey(key);
    // The other root is another key.
    key = Create(pf::HKEY_LOCAL_MACHINE, "Software\\Velnorix", &disposition);
    EXPECT_EQ(disposition, pf::REG_CREATED_NEW_KEY);
    pf::RegCloseKey(key);
}

TEST_F(Registry, TheStandardKeysExistFromTheStart) {
    EXPECT_TRUE(KeyExists(pf::HKEY_CURRENT_USER, "Software"));
    EXPECT_TRUE(KeyExists(pf::HKEY_LOCAL_MACHINE, "Software"));
    EXPECT_TRUE(KeyExists(pf::HKEY_LOCAL_MACHINE,
                          "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
    EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
    EXPECT_EQ(pf::RegDeleteKeyA(pf::HKEY_LOCAL_MACHINE,
                                "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"),
              pf::ERROR_ACCESS_DENIED);
}

TEST_F(Registry, OpeningAMissingKeyFails) {
    pf::HKEY key = reinterpret_cast<pf::HKEY>(1);
    EXPECT_EQ(pf::RegOpenKeyExA(pf::HKEY_CURRENT_USER, "Software\\Missing", 0, pf::KEY_ALL_ACCESS,
                                &key),
              pf::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
}

TEST_F(Registry, KeysAndValuesIgnoreCaseAndKeepTheirOwn) {
    pf::HKEY key = Create(pf::HKEY_CURRENT_USER, "Software\\Velnorix");
    SetText(key, "Version", std::string("1.00", 5));
    pf::RegCloseKey(key);
    pf::DWORD disposition = 0;
    key = Create(pf::HKEY_CURRENT_USER, "SOFTWARE\\velnorix", &disposition);
    EXPECT_EQ(disposition, pf::REG_OPENED_EXISTING_KEY);
    pf::RegCloseKey(key);
    EXPECT_EQ(QueryText(pf::HKEY_CURRENT_USER, "software\\VELNORIX", "VERSION"), "1.00");
    const std::string store = ReadBytes(registry_.path() / "keys.reg");
    EXPECT_NE(store.find("[HKEY_CURRENT_USER\\Software\\Velnorix]"), std::string::npos) << store;
}

TEST_F(Registry, QueryReportsSizesAsWindowsDoes) {
    pf::HKEY key = Create(pf::HKEY_CURRENT_USER, "Software\\Velnorix");
    SetText(key, "Path", std::string("/games\0", 7));
    pf::DWORD size = 0;
    pf::DWORD type = 0;
    EXPECT_EQ(pf::RegQueryValueExA(key, "Path", nullptr, &type, nullptr, &size), pf::ERROR_SUCCESS);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(type, pf::REG_SZ);
    char small[4];
    size = sizeof small;
    EXPECT_EQ(pf::RegQueryValueExA(key, "Path", nullptr, nullptr,
                                   reinterpret_cast<pf::BYTE*>(small), &size),
              pf::ERROR_MORE_DATA);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(pf::RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size),
              pf::ERROR_FILE_NOT_FOUND);
    pf::RegCloseKey(key);
}

TEST_F(Registry, AnyBytesSurviveTheStore) {
    const std::string data("a\"b\\c\nd\0e\x01\x7f\xe9\xff\0", 14);
    pf::HKEY key = Create(pf::HKEY_CURRENT_USER, "Software\\Velnorix\\Odd ] name");
    SetText(key, "na\"me=\\", data);
    pf::RegCloseKey(key);
    ASSERT_EQ(pf::RegOpenKeyExA(pf::HKEY_CURRENT_USER, "Software\\Velnorix\\Odd ] name", 0,
                                pf::KEY_ALL_ACCESS, &key),
              pf::ERROR_SUCCESS);
    char buffer[32];
    pf::DWORD size = sizeof buffer;
    ASSERT_EQ(pf::RegQueryValueExA(key, "na\"me=\\", nullptr, nullptr,
                                   reinterpret_cast<pf::BYTE*>(buffer), &size),
              pf::ERROR_SUCCESS);
    EXPECT_EQ(std::string(buffer, size), data);
    pf::RegCloseKey(key);
}

TEST_F(Registry, DeletingAKeyWithSubkeysIsRefused) {
    pf::RegCloseKey(Create(pf::HKEY_CURRENT_USER, "Software\\Velnorix\\Sub"));
    pf::RegCloseKey(Create(pf::HKEY_CURRENT_USER, "Software\\Velnorix!"));
    EXPECT_EQ(pf::RegDeleteKeyA(pf::HKEY_CURRENT_USER, "Software\\Velnorix"),
              pf::ERROR_ACCESS_DENIED);
    EXPECT_EQ(pf::RegDeleteKeyA(pf::HKEY_CURRENT_USER, "Software\\Velnorix\\Sub"),
              pf::ERROR_SUCCESS);
    EXPECT_EQ(pf::RegDeleteKeyA(pf::HKEY_CURRENT_USER, "software\\velnorix"), pf::ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
    EXPECT_TRUE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix!"));
    EXPECT_EQ(pf::RegDeleteKeyA(pf::HKEY_CURRENT_USER, "Software\\Velnorix"),
              pf::ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, AHandleToADeletedKeyNoLongerWrites) {
    pf::HKEY key = Create(pf::HKEY_CURRENT_USER, "Software\\Velnorix");
    ASSERT_EQ(pf::RegDeleteKeyA(pf::HKEY_CURRENT_USER, "Software\\Velnorix"), pf::ERROR_SUCCESS);
    const char text[] = "1.00";
    EXPECT_EQ(pf::RegSetValueExA(key, "Version", 0, pf::REG_SZ,
                                 reinterpret_cast<const pf::BYTE*>(text), sizeof text),
              pf::ERROR_KEY_DELETED);
    EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
    EXPECT_EQ(pf::RegCloseKey(key), pf::ERROR_SUCCESS);
    EXPECT_EQ(pf::RegCloseKey(key), pf::ERROR_INVALID_HANDLE);
}

TEST_F(Registry, ChangesPersistInTheNamedFolderOnly) {
    pf::HKEY key = Create(pf::HKEY_CURRENT_USER, "Software\\Velnorix");
    SetText(key, "Path", std::string("/a\0", 3));
    pf::RegCloseKey(key);
    EXPECT_TRUE(fs::exists(registry_.path() / "keys.reg"));
    // Nothing but the store and its lock is left behind.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(registry_.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"keys.lock", "keys.reg"}));
    {
        ScopedRegistry other;
        EXPECT_FALSE(KeyExists(pf::HKEY_CURRENT_USER, "Software\\Velnorix"));
        // A copy of the store is the same registry.
        fs::copy_file(registry_.path() / "keys.reg", other.path() / "keys.reg");
        EXPECT_EQ(QueryText(pf::HKEY_CURRENT_USER, "Software\\Velnorix", "Path"), "/a");
    }
}

TEST_F(Registry, TheDefaultStoreFollowsXdgDataHomeThenHome) {
    TempFolder home;
    const std::string saved = std::getenv("VELNORIX_REGISTRY");
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome != nullptr ? oldHome : "";
    unsetenv("VELNORIX_REGISTRY");
    setenv("XDG_DATA_HOME", (home.path() / "data").c_str(), 1);
    pf::RegCloseKey(Create(pf::HKEY_CURRENT_USER, "Software\\Xdg"));
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", home.path().c_str(), 1);
    pf::RegCloseKey(Create(pf::HKEY_CURRENT_USER, "Software\\Home"));
    setenv("HOME", savedHome.c_str(), 1);
    setenv("VELNORIX_REGISTRY", saved.c_str(), 1);
    EXPECT_TRUE(fs::exists(home.path() / "data/velnorix/registry/keys.reg"));
    EXPECT_TRUE(fs::exists(home.path() / ".local/share/velnorix/registry/keys.reg"));
}

TEST_F(Registry, ADamagedStoreKeepsWhatCanBeRead) {
    WriteBytes(registry_.path() / "keys.reg",
               "[HKEY_CURRENT_USER\\Software\\Velnorix]\n\"Path\"=\"/ok\\0\"\n\"Bad\"=\"\\q\"\n"
               "garbage line\n[NOT_A_ROOT\\x]\n\"Version\"=\"1.00\\0\"\n\"Cut\"=\"abc");
    EXPECT_EQ(QueryText(pf::HKEY_CURRENT_USER, "Software\\Velnorix", "Path"), "/ok");
    EXPECT_EQ(QueryText(pf::HKEY_CURRENT_USER, "Software\\Velnorix", "Bad"), "<no value>");
    EXPECT_EQ(QueryText(pf::HKEY_CURRENT_USER, "Software\\Velnorix", "Version"), "<no value>");
    EXPECT_TRUE(KeyExists(pf::HKEY_CURRENT_USER, "Software"));
}

TEST_F(Registry, BadArgumentsAreRefused) {
    pf::HKEY key = nullptr;
    EXPECT_EQ(pf::RegOpenKeyExA(pf::HKEY_CURRENT_USER, "Software\\\\X", 0, pf::KEY_ALL_ACCESS, &key),
              pf::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(pf::RegOpenKeyExA(reinterpret_cast<pf::HKEY>(&key), "Software", 0,
                                pf::KEY_ALL_ACCESS, &key),
              pf::ERROR_INVALID_HANDLE);
    EXPECT_EQ(pf::RegCreateKeyExA(pf::HKEY_CURRENT_USER, "Software\\", 0, "", 0, pf::KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
              pf::ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, EveryOperationCanBeMadeToFail) {
    pf::core::AddFault("RegOpenKeyExA", 1, pf::ERROR_ACCESS_DENIED);
    pf::HKEY key = nullptr;
    EXPECT_EQ(pf::RegOpenKeyExA(pf::HKEY_CURRENT_USER, "Software", 0, pf::KEY_ALL_ACCESS, &key),
              pf::ERROR_ACCESS_DENIED);
    EXPECT_EQ(pf::RegOpenKeyExA(pf::HKEY_CURRENT_USER, "Software", 0, pf::KEY_ALL_ACCESS, &key),
              pf::ERROR_SUCCESS);
    pf::core::AddFault("RegSetValueExA", 1, pf::ERROR_ACCESS_DENIED);
    EXPECT_EQ(pf::RegSetValueExA(key, "x", 0, pf::REG_SZ, nullptr, 0), pf::ERROR_ACCESS_DENIED);
    pf::core::AddFault("RegDeleteKeyA", 1, pf::ERROR_ACCESS_DENIED);
    EXPECT_EQ(pf::RegDeleteKeyA(key, "Nothing"), pf::ERROR_ACCESS_DENIED);
    pf::core::AddFault("RegCloseKey", 1, pf::ERROR_INVALID_HANDLE);
    EXPECT_EQ(pf::RegCloseKey(key), pf::ERROR_INVALID_HANDLE);
    EXPECT_EQ(pf::RegCloseKey(key), pf::ERROR_SUCCESS);
}

}  // namespace
