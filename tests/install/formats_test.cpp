// The install archive reader and the install log reader: entries in order,
// and never a byte read past the end of the image.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "install/archive.h"
#include "install/install_log.h"
#include "install/strings.h"
#include "install_support.h"

namespace {

using installer::ArchiveEntry;
using installer::ArchiveReader;
using installer::EntryKind;
using vxinstall::Bytes;
using vxinstall::DirectoryEntry;
using vxinstall::EndEntry;
using vxinstall::FileEntry;

// Reads every entry; the image is copied to a buffer of exactly its size so
// that a read past its end is caught by the sanitizers.
std::vector<EntryKind> Kinds(const Bytes& image, std::vector<std::string>* names = nullptr) {
    std::vector<char> exact(image.begin(), image.end());
    ArchiveReader reader;
    installer::OpenArchive(reader, exact.data(), static_cast<pf::DWORD>(exact.size()));
    std::vector<EntryKind> kinds;
    ArchiveEntry entry;
    for (int i = 0; i < 20; ++i) {
        kinds.push_back(installer::NextArchiveEntry(reader, entry));
        if (names != nullptr) names->push_back(entry.name);
        if (kinds.back() == EntryKind::End || kinds.back() == EntryKind::Broken) break;
    }
    return kinds;
}

TEST(ArchiveReader, YieldsFilesDirectoriesAndTheEnd) {
    const Bytes image = FileEntry("readme.txt", "hello") + DirectoryEntry("Data") +
                        FileEntry("menu.mdf", Bytes("\0\1\2", 3)) + EndEntry() + "trailing junk";
    std::vector<char> exact(image.begin(), image.end());
    ArchiveReader reader;
    installer::OpenArchive(reader, exact.data(), static_cast<pf::DWORD>(exact.size()));
    ArchiveEntry entry;

    ASSERT_EQ(installer::NextArchiveEntry(reader, entry), EntryKind::File);
    EXPECT_STREQ(entry.name, "readme.txt");
    ASSERT_EQ(entry.size, 5u);
    EXPECT_EQ(Bytes(reinterpret_cast<const char*>(entry.content), entry.size), "hello");

    ASSERT_EQ(installer::NextArchiveEntry(reader, entry), EntryKind::Directory);
    EXPECT_STREQ(entry.name, "Data");

    ASSERT_EQ(installer::NextArchiveEntry(reader, entry), EntryKind::File);
    EXPECT_STREQ(entry.name, "menu.mdf");
    EXPECT_EQ(Bytes(reinterpret_cast<const char*>(entry.content), entry.size), Bytes("\0\1\2", 3));

    EXPECT_EQ(installer::NextArchiveEntry(reader, entry), EntryKind::End);
    EXPECT_EQ(installer::NextArchiveEntry(reader, entry), EntryKind::End);
    EXPECT_TRUE(installer::IsValidArchive(exact.data(), static_cast<pf::DWORD>(exact.size())));
}

TEST(ArchiveReader, SizeIsLittleEndianAndUnaligned) {
    const Bytes content(0x0102, 'x');
    std::vector<std::string> names;
    const Bytes image = FileEntry("ab", content) + FileEntry("c", "") + EndEntry();
    EXPECT_EQ(Kinds(image, &names),
              (std::vector<EntryKind>{EntryKind::File, EntryKind::File, EntryKind::End}));
    EXPECT_EQ(names[1], "c");
}

TEST(ArchiveReader, OnlyTheEndEntryIsAnEmptyArchive) {
    EXPECT_EQ(Kinds(EndEntry()), std::vector<EntryKind>{EntryKind::End});
}

TEST(ArchiveReader, StopsAtTheEndOfTheImage) {
    const Bytes file = FileEntry("game", "0123456789");
    const std::vector<Bytes> cut = {
        "",                                       // nothing at all
        "gam",                                    // a name without its NUL
        Bytes("game\0\x0a\0", 7),                 // size field cut
        file.substr(0, file.size() - 1),          // content cut by one byte
        file,                                     // no end entry
        Bytes("CHANGE_DIRECTORY\0Da", 19),        // directory name without its NUL
        Bytes("CHANGE_DIRECTORY\0", 17),          // no directory name
        Bytes("END_OF_DATA_FI", 14),              // end marker cut
        FileEntry("big", "") .substr(0, 4) + Bytes("\xff\xff\xff\xff", 4) + EndEntry(),
    };
    for (const Bytes& image : cut) {
        const std::vector<EntryKind> kinds = Kinds(image);
        EXPECT_EQ(kinds.back(), EntryKind::Broken) << "image of " << image.size() << " bytes";
        std::vector<char> exact(image.begin(), image.end());
        EXPECT_FALSE(installer::IsValidArchive(exact.data(), static_cast<pf::DWORD>(exact.size())));
    }
}

TEST(ArchiveReader, NamesFitIn260BytesWithTheirNul) {
    const std::string longest(259, 'n');
    EXPECT_EQ(Kinds(FileEntry(longest, "") + EndEntry()).back(), EntryKind::End);
    EXPECT_EQ(Kinds(FileEntry(longest + "n", "") + EndEntry()).back(), EntryKind::Broken);
    EXPECT_EQ(Kinds(DirectoryEntry(longest + "n") + EndEntry()).back(), EntryKind::Broken);
}

TEST(ArchiveNames, UnsafeFileNamesAreRefused) {
    for (const char* name : {"velnorix", "Uninstall.exe", "a.b", "...", "with space"})
        EXPECT_TRUE(installer::IsSafeFileName(name)) << name;
    for (const char* name : {"", ".", "..", "a/b", "a\\b", "/etc", "\\x", "C:x", "x:y",
                             "install.log", "CREATED_DIRECTORY", "CREATED_REG_KEYS", "INSTALLATION_COMPLETE",
                             "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"})
        EXPECT_FALSE(installer::IsSafeFileName(name)) << name;
}

TEST(ArchiveNames, DirectoriesStayInsideTheInstallationFolder) {
    for (const char* name : {"Data", "Data\\Levels", "Data/Levels", "..x", "x.."})
        EXPECT_TRUE(installer::IsSafeDirectoryName(name)) << name;
    for (const char* name : {"", ".", "..", "\\Data", "/Data", "Data\\..\\..", "a/../b", "a\\\\b",
                             "Data\\", "C:\\Games", "c:Data", "./Data", "Data\\C:x"})
        EXPECT_FALSE(installer::IsSafeDirectoryName(name)) << name;
}

TEST(ArchiveNames, AnUnsafeEntryMakesTheArchiveInvalid) {
    const Bytes images[] = {
        FileEntry("../evil", "x") + EndEntry(),
        DirectoryEntry("/tmp") + EndEntry(),
        FileEntry("ok", "x") + DirectoryEntry("..") + FileEntry("evil", "x") + EndEntry(),
    };
    for (const Bytes& image : images)
        EXPECT_FALSE(installer::IsValidArchive(image.data(), static_cast<pf::DWORD>(image.size())));
}

// --- The log ---------------------------------------------------------------

std::vector<std::string> LogStrings(const Bytes& image) {
    std::vector<char> exact(image.begin(), image.end());
    installer::LogReader reader;
    installer::OpenLog(reader, exact.data(), static_cast<pf::DWORD>(exact.size()));
    std::vector<std::string> strings;
    char entry[260];
    while (installer::NextLogString(reader, entry, sizeof entry)) strings.push_back(entry);
    EXPECT_FALSE(installer::NextLogString(reader, entry, sizeof entry));
    EXPECT_STREQ(entry, "");
    return strings;
}

TEST(LogReader, YieldsEveryStringInOrder) {
    const std::vector<std::string> strings = {"readme.txt", "CREATED_DIRECTORY", "/g\\Data", "",
                                              "menu.mdf"};
    EXPECT_EQ(LogStrings(vxinstall::LogOf(strings)), strings);
    EXPECT_TRUE(LogStrings("").empty());
}

TEST(LogReader, ALastStringCutBeforeItsNulIsDropped) {
    EXPECT_EQ(LogStrings(Bytes("velnorix\0Unins", 14)), std::vector<std::string>{"velnorix"});
}

TEST(LogReader, AStringTooLongEndsTheLog) {
    const Bytes image = vxinstall::LogOf({"a", std::string(260, 'x'), "b"});
    EXPECT_EQ(LogStrings(image), std::vector<std::string>{"a"});
    EXPECT_EQ(LogStrings(vxinstall::LogOf({std::string(259, 'y')})).size(), 1u);
}

TEST(StringHelpers, CopyLengthAndEquality) {
    char target[16];
    EXPECT_EQ(installer::CopyString(target, "Data"), 5u);
    EXPECT_STREQ(target, "Data");
    EXPECT_EQ(installer::CopyString(target, ""), 1u);
    EXPECT_EQ(installer::StringSize("Software"), 9u);
    EXPECT_TRUE(installer::StringsEqual("CREATED_REG_KEYS", "CREATED_REG_KEYS"));
    EXPECT_FALSE(installer::StringsEqual("CREATED_REG_KEYS", "created_reg_keys"));
    EXPECT_FALSE(installer::StringsEqual("Data", "Data2"));
    EXPECT_FALSE(installer::StringsEqual("Data2", "Data"));
    EXPECT_TRUE(installer::StringsEqual("", ""));
}

}  // namespace

namespace {

// Inputs the fuzzer of the archive walker found: each is walked to its end,
// and every name the walker hands out is a string within its 260 bytes.
TEST(ArchiveReader, FuzzerFindingsWalkSafely) {
    const vxinstall::fs::path folder =
        vxinstall::fs::path(VX_SOURCE_DIR) / "tests" / "fuzz" / "regressions" / "archive";
    int inputs = 0;
    for (const auto& file : vxinstall::fs::directory_iterator(folder)) {
        ++inputs;
        const Bytes image = vxinstall::ReadBytes(file.path());
        std::vector<char> exact(image.begin(), image.end());
        ArchiveReader reader;
        installer::OpenArchive(reader, exact.data(), static_cast<pf::DWORD>(exact.size()));
        ArchiveEntry entry;
        for (int i = 0; i < 1000; ++i) {
            const EntryKind kind = installer::NextArchiveEntry(reader, entry);
            ASSERT_NE(std::find(entry.name, entry.name + sizeof entry.name, '\0'),
                      entry.name + sizeof entry.name)
                << file.path();
            if (kind == EntryKind::End || kind == EntryKind::Broken) break;
        }
        installer::IsValidArchive(exact.data(), static_cast<pf::DWORD>(exact.size()));
    }
    EXPECT_GT(inputs, 0);
}

}  // namespace
