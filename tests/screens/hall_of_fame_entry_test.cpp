// AddHallOfFameEntry in process on paths that need no screen: a score that
// does not qualify (save and read back only) and a temporary buffer that
// cannot be had (the entry is abandoned, nothing saved).
#include <gtest/gtest.h>

#include <cstring>

#include "game/data/data.h"
#include "game/screens/screens.h"
#include "pf/files.h"
#include "platform/core/backend.h"
#include "screens_bench.h"
#include "support/support.h"

using namespace screenstest;

namespace {

class HallOfFameEntry : public ::testing::Test {
protected:
    void SetUp() override {
        pf::core::ResetCore();
        Record = ProgramRecord{};
        std::filesystem::create_directories(dir / "Data");
        char here[pf::MAX_PATH] = {};
        pf::GetCurrentDirectoryA(sizeof here, here);
        previous = here;
        ASSERT_TRUE(pf::SetCurrentDirectoryA(dir.str().c_str()));
        for (int k = 0; k < 10; ++k) table.push_back(Row(10000 - 1000 * k, "R" + std::to_string(k), 2, 9));
        ASSERT_TRUE(vxtest::WriteWholeFile(dir / "Data" / "hiscore.dat", TableBytes(table)));
        ASSERT_EQ(ReadHiscoreTable(), 1);
        CurrentLevel = 3;
    }
    void TearDown() override {
        pf::core::ClearFaults();
        pf::SetCurrentDirectoryA(previous.c_str());
        pf::core::ResetCore();
        Record = ProgramRecord{};
    }
    void Score(const char* digits) {  // nine digits
        ScoreDigits[0] = 0;
        for (int i = 0; i < 9; ++i) ScoreDigits[i + 1] = digits[i] - '0';
    }
    std::string FileBytes() { return vxtest::ReadWholeFile(dir / "Data" / "hiscore.dat"); }

    vxtest::TempDir dir;
    std::string previous;
    Table table;
};

TEST_F(HallOfFameEntry, ScoreBelowAllTenSavesPlainAndReadsBack) {
    Score("000000999");  // the last row holds 1000
    HallOfFameRecord before[HallOfFameSize];
    std::memcpy(before, HallOfFame, sizeof before);
    EXPECT_EQ(AddHallOfFameEntry(), 1);
    // The texts are unchanged; the file now holds them with zero masks.
    for (int k = 0; k < HallOfFameSize; ++k) {
        EXPECT_EQ(std::memcmp(HallOfFame[k].score, before[k].score, 10), 0) << k;
        EXPECT_EQ(std::memcmp(HallOfFame[k].name, before[k].name, 4), 0) << k;
        EXPECT_EQ(std::memcmp(HallOfFame[k].level, before[k].level, 4), 0) << k;
    }
    Table plain;
    for (int k = 0; k < 10; ++k) plain.push_back(Row(10000 - 1000 * k, "R" + std::to_string(k), 2));
    EXPECT_EQ(FileBytes(), TableBytes(plain));
    EXPECT_EQ(pf::core::CurrentResourceCounts().liveBlocks, 0u);
}

TEST_F(HallOfFameEntry, NoBufferAbandonsTheEntrySilently) {
    Score("000005000");  // place 5
    HallOfFameRecord before[HallOfFameSize];
    std::memcpy(before, HallOfFame, sizeof before);
    const std::string file = FileBytes();
    pf::core::AddFault("GlobalAlloc", 1, 0);
    EXPECT_EQ(AddHallOfFameEntry(), 0);
    EXPECT_EQ(std::memcmp(before, HallOfFame, sizeof before), 0);
    EXPECT_EQ(FileBytes(), file);  // nothing saved
    EXPECT_EQ(FatalError, 0);      // nothing reported
}

TEST_F(HallOfFameEntry, UnlockableBufferAbandonsTheEntryAndIsFreed) {
    Score("000005000");
    HallOfFameRecord before[HallOfFameSize];
    std::memcpy(before, HallOfFame, sizeof before);
    const std::string file = FileBytes();
    pf::core::AddFault("GlobalLock", 1, 0);
    EXPECT_EQ(AddHallOfFameEntry(), 0);
    EXPECT_EQ(std::memcmp(before, HallOfFame, sizeof before), 0);
    EXPECT_EQ(FileBytes(), file);
    EXPECT_EQ(pf::core::CurrentResourceCounts().liveBlocks, 0u);
}

TEST_F(HallOfFameEntry, RoomMakingFreesItsBuffer) {
    const auto start = pf::core::CurrentResourceCounts();
    ASSERT_TRUE(MakeHallOfFameRoom(0));
    const auto after = pf::core::CurrentResourceCounts();
    EXPECT_EQ(after.allocations, start.allocations + 1);
    EXPECT_EQ(after.frees, start.frees + 1);
    EXPECT_EQ(after.liveBlocks, 0u);
}

}  // namespace
