// The hall-of-fame file: the mask rule on read and save, short and long
// files, the failure messages, and a save that never leaves a damaged file.
#include <cstring>

#include "data_bench.h"
#include "game/data/data.h"
#include "platform/core/backend.h"

using namespace datatest;

namespace {

class HiscoreFileTest : public DataTest {
protected:
    // A plain table: record r has score text "r00", name "AB" + r, level r+1.
    static Bytes PlainTable() {
        Bytes table(280, 0);
        for (int r = 0; r < 10; ++r) {
            uint8_t* record = table.data() + 28 * r;
            record[17] = static_cast<uint8_t>('1' + r % 9);
            record[18] = '0';
            record[19] = '0';
            record[20] = 'A';
            record[21] = 'B';
            record[22] = static_cast<uint8_t>('C' + r);
            record[27] = static_cast<uint8_t>('1' + r % 9);
        }
        return table;
    }
    // The same table with masks 1..10 (plus the record number) added.
    static Bytes MaskedTable() {
        Bytes table = PlainTable();
        for (int r = 0; r < 10; ++r) {
            uint8_t* record = table.data() + 28 * r;
            for (int j = 0; j < 10; ++j) record[j] = static_cast<uint8_t>(200 + j + r);
            for (int j = 0; j < 10; ++j) record[10 + j] = static_cast<uint8_t>(record[10 + j] + record[j]);
            for (int j = 0; j < 4; ++j) {
                record[20 + j] = static_cast<uint8_t>(record[20 + j] + record[j]);
                record[24 + j] = static_cast<uint8_t>(record[24 + j] + record[j]);
            }
        }
        return table;
    }
    static Bytes TextOf(const Bytes& table) {
        Bytes text = table;
        for (int r = 0; r < 10; ++r) std::memset(text.data() + 28 * r, 0, 10);
        return text;
    }
    size_t DataFiles() const {
        size_t count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_ / "Data")) ++count;
        return count;
    }
    Bytes Memory() const {
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(HallOfFame);
        return Bytes(bytes, bytes + 280);
    }
};

TEST_F(HiscoreFileTest, ReadingRemovesTheMaskAndKeepsTheMaskBytes) {
    WriteData("hiscore.dat", MaskedTable());
    ASSERT_EQ(ReadHiscoreTable(), 1);
    EXPECT_EQ(HallOfFameRead, 1);
    const Bytes memory = Memory();
    const Bytes masked = MaskedTable();
    const Bytes plain = PlainTable();
    for (int r = 0; r < 10; ++r) {
        for (int j = 0; j < 10; ++j) EXPECT_EQ(memory[28 * r + j], masked[28 * r + j]);
        for (int j = 10; j < 28; ++j) EXPECT_EQ(memory[28 * r + j], plain[28 * r + j]) << r << ":" << j;
    }
}

TEST_F(HiscoreFileTest, SavingZeroesTheMasksAndReplacesTheFile) {
    WriteData("hiscore.dat", MaskedTable());
    ASSERT_EQ(ReadHiscoreTable(), 1);
    ASSERT_EQ(SaveHiscoreTable(), 1);
    EXPECT_EQ(ReadData("hiscore.dat"), PlainTable());
    EXPECT_EQ(Memory(), PlainTable());
    EXPECT_EQ(DataFiles(), 1u);
    ASSERT_EQ(ReadHiscoreTable(), 1);
    EXPECT_EQ(Memory(), PlainTable());
}

TEST_F(HiscoreFileTest, SaveCreatesAMissingFile) {
    std::memcpy(HallOfFame, PlainTable().data(), 280);
    ASSERT_EQ(SaveHiscoreTable(), 1);
    EXPECT_EQ(ReadData("hiscore.dat"), PlainTable());
}

TEST_F(HiscoreFileTest, ShortFileFillsOnlyItsLength) {
    std::memcpy(HallOfFame, PlainTable().data(), 280);
    // the first 40 bytes of a masked table: record 0 whole, record 1's
    // masks and two of its score bytes
    const Bytes masked = MaskedTable();
    WriteData("hiscore.dat", Bytes(masked.begin(), masked.begin() + 40));
    // record 2 in memory holds masks whose text was unmasked when read
    for (int j = 0; j < 10; ++j) HallOfFame[2].mask[j] = 99;
    const Bytes before = Memory();
    ASSERT_EQ(ReadHiscoreTable(), 1);
    const Bytes after = Memory();
    const Bytes plain = PlainTable();
    for (int i = 10; i < 28; ++i) EXPECT_EQ(after[i], plain[i]) << i;
    for (int i = 28; i < 38; ++i) EXPECT_EQ(after[i], masked[i]) << i;
    EXPECT_EQ(after[38], plain[38]);
    EXPECT_EQ(after[39], plain[39]);
    for (int i = 40; i < 280; ++i) EXPECT_EQ(after[i], before[i]) << i;
}

TEST_F(HiscoreFileTest, LongFileIsReadUpToTheTable) {
    Bytes file = PlainTable();
    file.insert(file.end(), 50, 'Z');
    WriteData("hiscore.dat", file);
    ASSERT_EQ(ReadHiscoreTable(), 1);
    EXPECT_EQ(Memory(), PlainTable());
}

TEST_F(HiscoreFileTest, MissingFileIsAnError) {
    EXPECT_EQ(ReadHiscoreTable(), 0);
    EXPECT_EQ(Error(), "[ReadHiscoreTable] Unable to open hiscore table file\n");
    EXPECT_EQ(HallOfFameRead, 0);
}

TEST_F(HiscoreFileTest, FailedSaveKeepsTheOldFileWhole) {
    WriteData("hiscore.dat", PlainTable());
    HallOfFame[0].name[0] = 'X';
    pf::core::AddFault("ReplaceFileAtomically", 1, 0);
    EXPECT_EQ(SaveHiscoreTable(), 0);
    EXPECT_EQ(Error(), "[SaveHiscoreTable] Unable to open hiscore table file\n");
    EXPECT_EQ(FatalError, 1);
    EXPECT_EQ(ReadData("hiscore.dat"), PlainTable());
    EXPECT_EQ(DataFiles(), 1u);  // nothing left beside it
    pf::core::ClearFaults();

    EXPECT_EQ(SaveHiscoreTable(), 1);
    EXPECT_EQ(ReadData("hiscore.dat")[20], 'X');
    EXPECT_EQ(DataFiles(), 1u);
}

TEST_F(HiscoreFileTest, SaveFailsWhileTheFileIsHeldWithoutSharing) {
    WriteData("hiscore.dat", PlainTable());
    pf::HANDLE held = pf::CreateFileA("Data//hiscore.dat", pf::GENERIC_READ, 0, nullptr,
                                      pf::OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, pf::INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadHiscoreTable(), 0);
    HallOfFame[0].name[0] = 'X';
    EXPECT_EQ(SaveHiscoreTable(), 0);
    pf::CloseHandle(held);
    EXPECT_EQ(ReadData("hiscore.dat"), PlainTable());
}

}  // namespace
