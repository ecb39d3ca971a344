// The pieces of the hall-of-fame insertion, in process: where a result goes,
// how the rows move, and the score and level texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "game/screens/screens.h"

namespace {

// A row whose score text spells value (right-aligned, 0 bytes before it).
HallOfFameRecord Row(uint32_t value, const char* name) {
    HallOfFameRecord row = {};
    for (int i = 9; i >= 1 && value != 0; --i, value /= 10)
        row.score[i] = static_cast<uint8_t>('0' + value % 10);
    std::memcpy(row.name, name, std::strlen(name));
    row.level[3] = '2';
    return row;
}

// Ten rows worth 1000, 900, ..., 100, named A0..A9.
void FillTable() {
    for (int k = 0; k < HallOfFameSize; ++k) {
        const std::string name = "A" + std::to_string(k);
        HallOfFame[k] = Row(static_cast<uint32_t>(1000 - 100 * k), name.c_str());
    }
}

std::string Name(const HallOfFameRecord& row) {
    return std::string(reinterpret_cast<const char*>(row.name), strnlen(reinterpret_cast<const char*>(row.name), 4));
}

class HallOfFameTable : public ::testing::Test {
protected:
    void SetUp() override { Record = ProgramRecord{}; }
};

TEST_F(HallOfFameTable, ValueIsTheNumberTheScoreTextSpells) {
    EXPECT_EQ(HallOfFameValue(HallOfFameRecord{}), 0);
    EXPECT_EQ(HallOfFameValue(Row(1000, "X")), 1000);
    EXPECT_EQ(HallOfFameValue(Row(999999999, "X")), 999999999);
    // Byte 0 of the score text and the mask bytes are not part of the value.
    HallOfFameRecord row = Row(42, "X");
    row.score[0] = '9';
    row.mask[3] = 7;
    EXPECT_EQ(HallOfFameValue(row), 42);
    // Whatever a file holds in the digit places, the sum stays defined.
    HallOfFameRecord wild = {};
    std::memset(wild.score, 0xFF, sizeof wild.score);
    EXPECT_EQ(HallOfFameValue(wild), int64_t{207} * 111111111);
}

TEST_F(HallOfFameTable, PlaceIsTheFirstRowTheScoreReachesWithTiesAbove) {
    FillTable();
    EXPECT_EQ(HallOfFamePlace(5000), 0);
    EXPECT_EQ(HallOfFamePlace(1000), 0);  // tie with the best: above it
    EXPECT_EQ(HallOfFamePlace(700), 3);   // tie with row 3
    EXPECT_EQ(HallOfFamePlace(699), 4);
    EXPECT_EQ(HallOfFamePlace(150), 9);
    EXPECT_EQ(HallOfFamePlace(100), 9);
    EXPECT_EQ(HallOfFamePlace(99), -1);  // below all ten
    EXPECT_EQ(HallOfFamePlace(0), -1);
}

TEST_F(HallOfFameTable, EmptyRowsTakeAnyScoreEvenZero) {
    EXPECT_EQ(HallOfFamePlace(0), 0);
    HallOfFame[0] = Row(500, "X");
    EXPECT_EQ(HallOfFamePlace(0), 1);
}

TEST_F(HallOfFameTable, RoomAtTheTopDropsTheLastRow) {
    FillTable();
    ASSERT_TRUE(MakeHallOfFameRoom(0));
    EXPECT_EQ(Name(HallOfFame[0]), "A0");  // still its old bytes until filled
    for (int k = 1; k < HallOfFameSize; ++k) EXPECT_EQ(Name(HallOfFame[k]), "A" + std::to_string(k - 1));
}

TEST_F(HallOfFameTable, RoomInTheMiddleMovesOnlyTheRowsBelow) {
    FillTable();
    ASSERT_TRUE(MakeHallOfFameRoom(3));
    for (int k = 0; k <= 3; ++k) EXPECT_EQ(Name(HallOfFame[k]), "A" + std::to_string(k));
    for (int k = 4; k < HallOfFameSize; ++k) EXPECT_EQ(Name(HallOfFame[k]), "A" + std::to_string(k - 1));
    EXPECT_EQ(HallOfFameValue(HallOfFame[9]), 200);
}

TEST_F(HallOfFameTable, RoomAtTheBottomMovesNothing) {
    FillTable();
    HallOfFameRecord before[HallOfFameSize];
    std::memcpy(before, HallOfFame, sizeof before);
    ASSERT_TRUE(MakeHallOfFameRoom(9));
    EXPECT_EQ(std::memcmp(before, HallOfFame, sizeof before), 0);
}

TEST_F(HallOfFameTable, ScoreTextIsRightAlignedWithZeroBytesBefore) {
    HallOfFameRecord row = {};
    std::memset(row.score, 'x', sizeof row.score);
    const int32_t thousand[10] = {0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    WriteScoreText(row, thousand);
    const uint8_t expected[10] = {0, 0, 0, 0, 0, 0, '1', '0', '0', '0'};
    EXPECT_EQ(std::memcmp(row.score, expected, 10), 0);

    const int32_t zero[10] = {};
    WriteScoreText(row, zero);
    const uint8_t empty[10] = {};
    EXPECT_EQ(std::memcmp(row.score, empty, 10), 0);

    const int32_t full[10] = {0, 9, 8, 7, 6, 5, 4, 3, 2, 1};
    WriteScoreText(row, full);
    EXPECT_EQ(row.score[0], 0);
    EXPECT_EQ(std::memcmp(row.score + 1, "987654321", 9), 0);

    // Zero cells inside the number are digits, not gaps.
    const int32_t gaps[10] = {0, 0, 0, 0, 1, 0, 0, 2, 0, 0};
    WriteScoreText(row, gaps);
    const uint8_t withGaps[10] = {0, 0, 0, 0, '1', '0', '0', '2', '0', '0'};
    EXPECT_EQ(std::memcmp(row.score, withGaps, 10), 0);
}

TEST_F(HallOfFameTable, LevelTextHasOneOrTwoDigitsOrNone) {
    HallOfFameRecord row = {};
    std::memset(row.level, 'x', sizeof row.level);
    WriteLevelText(row, 7);
    const uint8_t seven[4] = {0, 0, 0, '7'};
    EXPECT_EQ(std::memcmp(row.level, seven, 4), 0);
    WriteLevelText(row, 12);
    const uint8_t twelve[4] = {0, 0, '1', '2'};
    EXPECT_EQ(std::memcmp(row.level, twelve, 4), 0);
    WriteLevelText(row, 99);
    const uint8_t ninetyNine[4] = {0, 0, '9', '9'};
    EXPECT_EQ(std::memcmp(row.level, ninetyNine, 4), 0);
    WriteLevelText(row, 100);
    const uint8_t none[4] = {};
    EXPECT_EQ(std::memcmp(row.level, none, 4), 0);
    WriteLevelText(row, 10);
    const uint8_t ten[4] = {0, 0, '1', '0'};
    EXPECT_EQ(std::memcmp(row.level, ten, 4), 0);
}

}  // namespace
