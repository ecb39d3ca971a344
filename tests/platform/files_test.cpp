// Files and directories: separators, in-process sharing, sizes, reads and
// writes, atomic replacement, directories and the current directory.
#include <filesystem>
#include <string>

#include "core_fixture.h"
#include "support/support.h"

namespace coretest {
namespace {

class FileTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        char here[pf::MAX_PATH] = {};
        ASSERT_GT(pf::GetCurrentDirectoryA(sizeof here, here), 0u);
        previous_ = here;
        ASSERT_TRUE(pf::SetCurrentDirectoryA(dir_.str().c_str()));
        ASSERT_TRUE(pf::CreateDirectoryA("Data", nullptr));
    }
    void TearDown() override {
        pf::SetCurrentDirectoryA(previous_.c_str());
        CoreTest::TearDown();
    }
    pf::HANDLE Open(const char* name, pf::DWORD share = 0) {
        return pf::CreateFileA(name, pf::GENERIC_READ, share, nullptr, pf::OPEN_EXISTING,
                               pf::FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    pf::HANDLE Create(const char* name) {
        return pf::CreateFileA(name, pf::GENERIC_WRITE, 0, nullptr, pf::CREATE_ALWAYS,
                               pf::FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    vxtest::TempDir dir_;
    std::string previous_;
};

TEST_F(FileTest, BothSeparatorsAndDoubledOnesReachTheSameFile) {
    ASSERT_TRUE(vxtest::WriteWholeFile(dir_ / "Data" / "ball.spr", std::string("abc")));
    for (const char* name : {"Data\\ball.spr", "Data/ball.spr", "Data//ball.spr", "Data\\\\ball.spr",
                             "Data/\\ball.spr"}) {
        pf::HANDLE file = Open(name);
        ASSERT_NE(file, pf::INVALID_HANDLE_VALUE) << name;
        EXPECT_EQ(pf::GetFileSize(file, nullptr), 3u);
        EXPECT_TRUE(pf::CloseHandle(file));
    }
    // Names are case-sensitive.
    EXPECT_EQ(Open("Data\\Ball.spr"), pf::INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open("Data\\missing.spr"), pf::INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(""), pf::INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open("Data"), pf::INVALID_HANDLE_VALUE);  // a folder is not a file
}

TEST_F(FileTest, WriteThenReadBackWithSizes) {
    pf::HANDLE out = Create("Data//hiscore.dat");
    ASSERT_NE(out, pf::INVALID_HANDLE_VALUE);
    const std::string bytes(280, '\x5A');
    pf::DWORD written = 0;
    ASSERT_TRUE(pf::WriteFile(out, bytes.data(), 280, &written, nullptr));
    EXPECT_EQ(written, 280u);
    pf::DWORD read = 99;
    char buffer[300] = {};
    EXPECT_FALSE(pf::ReadFile(out, buffer, 10, &read, nullptr));  // opened for writing only
    EXPECT_EQ(read, 0u);
    ASSERT_TRUE(pf::CloseHandle(out));
    EXPECT_FALSE(pf::CloseHandle(out));  // closed handles are refused

    pf::HANDLE in = Open("Data\\hiscore.dat");
    ASSERT_NE(in, pf::INVALID_HANDLE_VALUE);
    pf::DWORD high = 7;
    EXPECT_EQ(pf::GetFileSize(in, &high), 280u);
    EXPECT_EQ(high, 0u);
    // A read asking for more than is there gives what there is.
    ASSERT_TRUE(pf::ReadFile(in, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 280u);
    EXPECT_EQ(std::string(buffer, 280), bytes);
    ASSERT_TRUE(pf::ReadFile(in, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 0u);
    EXPECT_FALSE(pf::WriteFile(in, buffer, 1, &written, nullptr));
    pf::CloseHandle(in);
    EXPECT_EQ(pf::core::CurrentResourceCounts().openFiles, 0u);

    // Creating again truncates.
    out = Create("Data/hiscore.dat");
    ASSERT_NE(out, pf::INVALID_HANDLE_VALUE);
    pf::CloseHandle(out);
    EXPECT_EQ(vxtest::ReadWholeFile(dir_ / "Data" / "hiscore.dat").size(), 0u);
}

TEST_F(FileTest, AFileOpenWithoutSharingCannotBeOpenedAgain) {
    ASSERT_TRUE(vxtest::WriteWholeFile(dir_ / "Data" / "a.ldf", std::string("x")));
    pf::HANDLE first = Open("Data\\a.ldf");
    ASSERT_NE(first, pf::INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open("Data//a.ldf"), pf::INVALID_HANDLE_VALUE);
    EXPECT_EQ(Create("Data/a.ldf"), pf::INVALID_HANDLE_VALUE);
    EXPECT_FALSE(pf::DeleteFileA("Data\\a.ldf"));
    EXPECT_FALSE(pf::ReplaceFileAtomically("Data\\a.ldf", "y", 1));
    EXPECT_EQ(vxtest::ReadWholeFile(dir_ / "Data" / "a.ldf"), "x");
    pf::CloseHandle(first);
    pf::HANDLE again = Open("Data\\a.ldf");
    EXPECT_NE(again, pf::INVALID_HANDLE_VALUE);
    pf::CloseHandle(again);
    // Readers that share reading may read together.
    pf::HANDLE one = Open("Data\\a.ldf", pf::FILE_SHARE_READ);
    pf::HANDLE two = Open("Data\\a.ldf", pf::FILE_SHARE_READ);
    EXPECT_NE(one, pf::INVALID_HANDLE_VALUE);
    EXPECT_NE(two, pf::INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open("Data\\a.ldf"), pf::INVALID_HANDLE_VALUE);  // wants to share nothing
    pf::CloseHandle(one);
    pf::CloseHandle(two);
    EXPECT_TRUE(pf::DeleteFileA("Data\\a.ldf"));
    EXPECT_FALSE(pf::DeleteFileA("Data\\a.ldf"));
}

TEST_F(FileTest, ReplaceFileAtomicallyLeavesOnlyTheNewBytes) {
    ASSERT_TRUE(pf::ReplaceFileAtomically("Data//hiscore.dat", "first", 5));
    ASSERT_TRUE(pf::ReplaceFileAtomically("Data//hiscore.dat", "second!", 7));
    EXPECT_EQ(vxtest::ReadWholeFile(dir_ / "Data" / "hiscore.dat"), "second!");
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_ / "Data")) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);  // no temporary file left beside it
    EXPECT_FALSE(pf::ReplaceFileAtomically("Missing\\file", "x", 1));
    EXPECT_FALSE(pf::ReplaceFileAtomically("Data", "x", 1));  // a folder stays a folder
}

TEST_F(FileTest, DirectoriesAndTheCurrentDirectory) {
    EXPECT_FALSE(pf::CreateDirectoryA("Data", nullptr));  // exists
    ASSERT_TRUE(pf::CreateDirectoryA("Data\\Sub", nullptr));
    ASSERT_TRUE(vxtest::WriteWholeFile(dir_ / "Data" / "Sub" / "f", std::string("1")));
    EXPECT_FALSE(pf::RemoveDirectoryA("Data\\Sub"));  // not empty
    EXPECT_FALSE(pf::DeleteFileA("Data\\Sub"));       // not a file
    EXPECT_TRUE(pf::DeleteFileA("Data\\Sub\\f"));
    EXPECT_TRUE(pf::RemoveDirectoryA("Data/Sub"));
    EXPECT_FALSE(pf::SetCurrentDirectoryA(""));
    EXPECT_FALSE(pf::SetCurrentDirectoryA(nullptr));
    ASSERT_TRUE(pf::SetCurrentDirectoryA("Data"));
    char here[pf::MAX_PATH] = {};
    const pf::DWORD length = pf::GetCurrentDirectoryA(sizeof here, here);
    EXPECT_EQ(length, std::string(here).size());
    EXPECT_EQ(std::filesystem::path(here), std::filesystem::canonical(dir_ / "Data"));
    // Too small a buffer: the size needed, with the NUL.
    char tiny[2] = {'a', 'b'};
    EXPECT_EQ(pf::GetCurrentDirectoryA(sizeof tiny, tiny), length + 1);
    EXPECT_EQ(tiny[0], 'a');
}

TEST_F(FileTest, SetFileExecutableMarksOnlyTheHostsPrograms) {
    namespace fs = std::filesystem;
    const fs::path data = dir_ / "Data";
    ASSERT_TRUE(vxtest::WriteWholeFile(data / "game", std::string("\x7F" "ELF rest of an image")));
    ASSERT_TRUE(vxtest::WriteWholeFile(data / "run.sh", std::string("#!/bin/sh\n")));
    ASSERT_TRUE(vxtest::WriteWholeFile(data / "ball.spr", std::string("#")));
    ASSERT_TRUE(vxtest::WriteWholeFile(data / "empty.dat", std::string()));
    for (const char* name : {"game", "run.sh", "ball.spr", "empty.dat"})
        fs::permissions(data / name, fs::perms(0640));
    for (const char* name : {"Data\\game", "Data\\run.sh", "Data\\ball.spr", "Data\\empty.dat"})
        EXPECT_TRUE(pf::SetFileExecutable(name)) << name;
    EXPECT_EQ(fs::status(data / "game").permissions(), fs::perms(0755));
    EXPECT_EQ(fs::status(data / "run.sh").permissions(), fs::perms(0755));
    // Data keeps the mode it was written with.
    EXPECT_EQ(fs::status(data / "ball.spr").permissions(), fs::perms(0640));
    EXPECT_EQ(fs::status(data / "empty.dat").permissions(), fs::perms(0640));
    // A link is not followed, and a folder or a missing file is no plain file.
    fs::create_symlink(data / "ball.spr", data / "link");
    EXPECT_FALSE(pf::SetFileExecutable("Data\\link"));
    EXPECT_EQ(fs::status(data / "ball.spr").permissions(), fs::perms(0640));
    EXPECT_FALSE(pf::SetFileExecutable("Data"));
    EXPECT_FALSE(pf::SetFileExecutable("Data\\missing"));
    EXPECT_FALSE(pf::SetFileExecutable(""));
}

}  // namespace
}  // namespace coretest
