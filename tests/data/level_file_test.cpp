// Level files: the worked example, the limits of every range, frame
// placement, the failure messages of every step, and files cut short or
// naming what does not exist.
#include <cstring>

#include "data_bench.h"
#include "game/data/data.h"
#include "game/display/display.h"
#include "platform/core/backend.h"

using namespace datatest;

namespace {

class LevelFileTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        TbarSprite = {200, 600, 600, 0};
    }
    int Load(const LevelRecipe& recipe, uint32_t level = 1) {
        char name[32];
        std::snprintf(name, sizeof name, "Lvl%04u.ldf", level & 0xFFFF);
        WriteData(name, LevelFile(recipe));
        return ReadLevelData(level);
    }
    std::string Corrupt(const char* what) {
        return std::string("[ReadLevelData] Corrupt data file (") + what + ")\n";
    }
};

TEST_F(LevelFileTest, MinimalLevelOfFiftyBytes) {
    LevelRecipe recipe;
    const Bytes file = LevelFile(recipe);
    ASSERT_EQ(file.size(), 50u);
    WriteData("Lvl0001.ldf", file);
    ASSERT_EQ(ReadLevelData(1), 1) << Error();
    EXPECT_EQ(LayoutColumns, 2);
    EXPECT_EQ(LayoutRows, 1);
    EXPECT_EQ(LayoutX, 100);
    EXPECT_EQ(LayoutY, 50);
    EXPECT_EQ(BlocksToClear, 1);
    EXPECT_EQ(CellWidth, 2);
    EXPECT_EQ(CellHeight, 1);
    EXPECT_EQ(BlockTypeCount, 1);
    ASSERT_NE(BlockTypes, nullptr);
    ASSERT_NE(LayoutArray, nullptr);
    EXPECT_EQ(BlockTypes[0].frameCount, 1);
    EXPECT_EQ(BlockTypes[0].hitsToBreak, 1);
    EXPECT_EQ(BlockTypes[0].frameX[0], 0);
    EXPECT_EQ(BlockTypes[0].frameY[0], 0);
    EXPECT_EQ(LayoutArray[0], 1);
    EXPECT_EQ(LayoutArray[1], 0);
    EXPECT_EQ(Sheet(0, 0), PatternPixel(0));
    EXPECT_EQ(Sheet(1, 0), PatternPixel(0));
    EXPECT_EQ(SheetPixelsSet(), 2u);
    EXPECT_EQ(FatalError, 0);
}

TEST_F(LevelFileTest, FileNameHasFourDigitsFromTheLowSixteenBits) {
    LevelRecipe recipe;
    recipe.level = 12;
    WriteData("Lvl0012.ldf", LevelFile(recipe));
    EXPECT_EQ(ReadLevelData(12), 1) << Error();
    ReleaseLevel();
    EXPECT_EQ(ReadLevelData(0x10000u + 12), 1) << Error();
    ReleaseLevel();
    EXPECT_EQ(ReadLevelData(13), 0);
    EXPECT_EQ(Error(), "[ReadLevelData] Unable to open level data file\n");
}

TEST_F(LevelFileTest, CellsAreCopiedAsStored) {
    LevelRecipe recipe;
    recipe.columns = 3;
    recipe.types = {{1, 3}, {2, 255}};
    recipe.cells = {0x0101, 0x0002, 0x0000};
    ASSERT_EQ(Load(recipe), 1) << Error();
    EXPECT_EQ(LayoutArray[0], 0x0101);
    EXPECT_EQ(LayoutArray[1], 0x0002);
    EXPECT_EQ(LayoutArray[2], 0x0000);
    EXPECT_EQ(BlockTypes[1].hitsToBreak, 255);
}

TEST_F(LevelFileTest, HeadChecksInOrder) {
    LevelRecipe recipe;
    recipe.level = 2;
    EXPECT_EQ(Load(recipe, 1), 0);
    EXPECT_EQ(Error(), Corrupt("Level check failed"));

    const std::pair<int, const char*> ids[] = {
        {0, "FileID != 'ALDF'"},
        {1, "Level Data ChunkID != 'BLVD'"},
        {2, "Block Data ChunkID != 'BLDA'"},
        {3, "Level Layout Data ChunkID != 'LLOD'"},
    };
    for (const auto& [which, message] : ids) {
        LevelRecipe bad;
        bad.ids[which] = "XXXX";
        ReleaseLevel();
        EXPECT_EQ(Load(bad), 0) << which;
        EXPECT_EQ(Error(), Corrupt(message)) << which;
    }
}

TEST_F(LevelFileTest, LayoutSizeLimits) {
    LevelRecipe recipe;
    recipe.columns = 20;
    recipe.rows = 50;
    recipe.x = 0;
    recipe.y = 0;
    recipe.cellWidth = 40;
    recipe.cellHeight = 12;
    EXPECT_EQ(Load(recipe), 1) << Error();
    ReleaseLevel();

    for (auto [columns, rows] : {std::pair{7, 143}, std::pair{0, 1}, std::pair{1, 0},
                                 std::pair{65535, 65535}}) {
        LevelRecipe bad;
        bad.columns = static_cast<uint16_t>(columns);
        bad.rows = static_cast<uint16_t>(rows);
        bad.cells = {1};
        EXPECT_EQ(Load(bad), 0) << columns << "x" << rows;
        EXPECT_EQ(Error(), Corrupt("Layout array size out of range"));
    }
}

TEST_F(LevelFileTest, LayoutCoordinateLimits) {
    // A grid at the far corner holds no pixel of the screen if its cells are
    // empty of width; with cells it must still fit, so test the bounds with
    // a one-cell grid that ends exactly at the edge.
    LevelRecipe recipe;
    recipe.columns = 1;
    recipe.x = 798;
    recipe.y = 599;
    recipe.cells = {1};
    EXPECT_EQ(Load(recipe), 1) << Error();
    ReleaseLevel();

    for (auto [x, y] : {std::pair{801, 0}, std::pair{0, 601}}) {
        LevelRecipe bad;
        bad.x = static_cast<uint16_t>(x);
        bad.y = static_cast<uint16_t>(y);
        EXPECT_EQ(Load(bad), 0);
        EXPECT_EQ(Error(), Corrupt("Layout coordinates out of range"));
    }
    // 800 and 600 load: the grid lies past the screen, which play never
    // addresses by position.
    LevelRecipe edge;
    edge.x = 800;
    edge.y = 600;
    EXPECT_EQ(Load(edge), 1) << Error();
    EXPECT_EQ(LayoutX, 800);
    EXPECT_EQ(LayoutY, 600);
    ReleaseLevel();
}

TEST_F(LevelFileTest, GridRunningPastTheScreenLoads) {
    LevelRecipe wide;
    wide.columns = 5;
    wide.x = 600;
    wide.cellWidth = 41;  // 600 + 205 > 800
    wide.cells = {1, 0, 0, 0, 0};
    EXPECT_EQ(Load(wide), 1) << Error();
    ReleaseLevel();

    LevelRecipe tall;
    tall.rows = 3;
    tall.y = 590;
    tall.cellHeight = 4;
    tall.cells = {1, 0, 0, 0, 0, 0};
    EXPECT_EQ(Load(tall), 1) << Error();
    ReleaseLevel();
}

TEST_F(LevelFileTest, CellSizeMustNotBeZero) {
    for (auto [w, h] : {std::pair{0, 1}, std::pair{2, 0}}) {
        LevelRecipe zero;
        zero.cellWidth = static_cast<uint16_t>(w);
        zero.cellHeight = static_cast<uint16_t>(h);
        ReleaseLevel();
        EXPECT_EQ(Load(zero), 0);
        EXPECT_EQ(Error(), Corrupt("cell width or height is 0"));
    }
    EXPECT_EQ(SheetPixelsSet(), 0u);
}

TEST_F(LevelFileTest, BlockTypeCountLimits) {
    LevelRecipe recipe;
    recipe.types.assign(20, {});
    EXPECT_EQ(Load(recipe), 1) << Error();
    EXPECT_EQ(BlockTypeCount, 20);
    ReleaseLevel();
    EXPECT_EQ(BlockTypeCount, 0);

    for (size_t count : {0u, 21u}) {
        LevelRecipe bad;
        bad.types.assign(count, {});
        EXPECT_EQ(Load(bad), 0);
        EXPECT_EQ(Error(), Corrupt("No blocks"));
        EXPECT_EQ(BlockTypesMemory, nullptr);
    }
}

TEST_F(LevelFileTest, FramesRunInRowsUpToTheSidePanel) {
    LevelRecipe recipe;
    recipe.x = 0;
    recipe.y = 0;
    recipe.cellWidth = 40;
    recipe.cellHeight = 20;
    recipe.types = {{10, 1}, {7, 1}};
    ASSERT_EQ(Load(recipe), 1) << Error();
    for (int f = 0; f < 17; ++f) {
        const BlockType& type = BlockTypes[f < 10 ? 0 : 1];
        const int k = f < 10 ? f : f - 10;
        const int x = (f % 15) * 40;
        const int y = (f / 15) * 20;
        EXPECT_EQ(type.frameX[k], x) << f;
        EXPECT_EQ(type.frameY[k], y) << f;
        EXPECT_EQ(Sheet(x, y), PatternPixel(f)) << f;
        EXPECT_EQ(Sheet(x + 39, y + 19), PatternPixel(f)) << f;
    }
    // the 16th frame overall opens the second row
    EXPECT_EQ(BlockTypes[1].frameX[5], 0);
    EXPECT_EQ(BlockTypes[1].frameY[5], 20);
}

TEST_F(LevelFileTest, LastFrameOfARowMayPassTheSidePanel) {
    LevelRecipe recipe;
    recipe.x = 0;
    recipe.y = 0;
    recipe.cellWidth = 64;
    recipe.cellHeight = 10;
    recipe.types = {{10, 1}, {2, 1}};
    ASSERT_EQ(Load(recipe), 1) << Error();
    EXPECT_EQ(BlockTypes[0].frameX[9], 576);
    EXPECT_EQ(BlockTypes[0].frameY[9], 0);
    EXPECT_EQ(BlockTypes[1].frameX[0], 0);
    EXPECT_EQ(BlockTypes[1].frameY[0], 10);
    EXPECT_EQ(Sheet(576 + 63, 0), PatternPixel(9));
}

TEST_F(LevelFileTest, TypesWithoutFramesLeaveTheCursor) {
    LevelRecipe recipe;
    recipe.columns = 3;
    recipe.types = {{3, 1}, {0, 1}, {2, 1}};
    recipe.cells = {1, 0, 3};
    ASSERT_EQ(Load(recipe), 1) << Error();
    EXPECT_EQ(BlockTypes[1].frameCount, 0);
    EXPECT_EQ(BlockTypes[2].frameX[0], 6);
    EXPECT_EQ(BlockTypes[2].frameX[1], 8);
    EXPECT_EQ(SheetPixelsSet(), 10u);
}

TEST_F(LevelFileTest, FramesThatWouldLeaveTheSheetAreRefusedBeforeAnyIsDrawn) {
    // With the panel at x 800, 100-pixel cells fill six rows of eight down
    // to y 600; the 49th frame would start below the sheet.
    TbarSprite.x = 800;
    LevelRecipe recipe;
    recipe.columns = 1;
    recipe.x = 0;
    recipe.y = 0;
    recipe.cellWidth = 100;
    recipe.cellHeight = 100;
    recipe.types.assign(4, {10, 1});
    recipe.types.push_back({8, 1});
    recipe.cells = {1};
    ASSERT_EQ(Load(recipe), 1) << Error();
    ReleaseLevel();
    Unlock();
    ClearOffscreen();
    Lock();

    recipe.types.push_back({1, 1});
    EXPECT_EQ(Load(recipe), 0);
    EXPECT_EQ(Error(), Corrupt("block images outside the 800x600 sheet"));
    EXPECT_EQ(SheetPixelsSet(), 0u);
    EXPECT_EQ(LayoutArrayMemory, nullptr);

    // A side panel beyond the sheet lets a row run off its right edge.
    TbarSprite.x = 900;
    recipe.types = {{9, 1}};
    ReleaseLevel();
    EXPECT_EQ(Load(recipe), 0);
    EXPECT_EQ(Error(), Corrupt("block images outside the 800x600 sheet"));
    EXPECT_EQ(SheetPixelsSet(), 0u);
}

TEST_F(LevelFileTest, MoreThanTenFramesIsRefused) {
    LevelRecipe recipe;
    recipe.types = {{11, 1}};
    EXPECT_EQ(Load(recipe), 0);
    EXPECT_EQ(Error(), Corrupt("more than 10 frames in a block type"));
    EXPECT_EQ(SheetPixelsSet(), 0u);
}

TEST_F(LevelFileTest, CellsMustNameBlockTypesWithFrames) {
    LevelRecipe beyond;
    beyond.cells = {2, 0};
    EXPECT_EQ(Load(beyond), 0);
    EXPECT_EQ(Error(), Corrupt("cell names a block type beyond the table"));
    EXPECT_EQ(SheetPixelsSet(), 0u);

    LevelRecipe frameless;
    frameless.types = {{1, 1}, {0, 1}};
    frameless.cells = {1, 2};
    ReleaseLevel();
    EXPECT_EQ(Load(frameless), 0);
    EXPECT_EQ(Error(), Corrupt("cell names a block type without frames"));

    // The high byte (hits taken) is not a block type.
    LevelRecipe hits;
    hits.cells = {0x0501, 0x0900};
    ReleaseLevel();
    EXPECT_EQ(Load(hits), 1) << Error();
}

TEST_F(LevelFileTest, TrailingBytesAreIgnored) {
    Bytes file = LevelFile(LevelRecipe{});
    file.insert(file.end(), 17, 0xEE);
    WriteData("Lvl0001.ldf", file);
    EXPECT_EQ(ReadLevelData(1), 1) << Error();
}

TEST_F(LevelFileTest, EveryPrefixIsRefusedWithoutReadingPastIt) {
    LevelRecipe recipe;
    recipe.columns = 3;
    recipe.rows = 2;
    recipe.cellWidth = 3;
    recipe.cellHeight = 2;
    recipe.types = {{2, 1}, {0, 255}, {1, 2}};
    recipe.cells = {1, 3, 0, 0x0101, 0, 1};
    const Bytes whole = LevelFile(recipe);
    for (size_t length = 0; length < whole.size(); ++length) {
        WriteData("Lvl0001.ldf", Bytes(whole.begin(), whole.begin() + static_cast<long>(length)));
        ReleaseLevel();
        EXPECT_EQ(ReadLevelData(1), 0) << length;
        EXPECT_EQ(LayoutArrayMemory, nullptr) << length;
        if (length > 0) {
            EXPECT_EQ(Error(), Corrupt("file ends too early")) << length;
        }
    }
    EXPECT_EQ(SheetPixelsSet(), 0u);
    WriteData("Lvl0001.ldf", whole);
    ReleaseLevel();
    EXPECT_EQ(ReadLevelData(1), 1) << Error();
}

TEST_F(LevelFileTest, EveryStepReportsItsOwnMessage) {
    WriteData("Lvl0001.ldf", LevelFile(LevelRecipe{}));
    struct Case {
        const char* operation;
        unsigned n;
        const char* message;
        bool blockTableHeld;
    };
    const Case cases[] = {
        {"CreateFileA", 1, "[ReadLevelData] Unable to open level data file\n", false},
        {"GetFileSize", 1, "[ReadLevelData] Unable to get file size\n", false},
        {"GlobalAlloc", 1, "[ReadLevelData] Unable to allocate temporary memory\n", false},
        {"GlobalLock", 1, "[ReadLevelData] Unable to lock memory\n", false},
        {"ReadFile", 1, "[ReadLevelData] Unable to read level data file\n", false},
        {"GlobalAlloc", 2, "[ReadLevelData] Unable to allocate block memory\n", false},
        {"GlobalLock", 2, "[ReadLevelData] Unable to lock memory\n", true},
        {"GlobalAlloc", 3, "[ReadLevelData] Unable to allocate layout array memory\n", true},
        {"GlobalLock", 3, "[ReadLevelData] Unable to lock layout array memory\n", true},
    };
    for (const Case& c : cases) {
        ReleaseLevel();
        pf::core::ClearFaults();
        pf::core::AddFault(c.operation, c.n, 0);
        ErrorText[0] = 0;
        EXPECT_EQ(ReadLevelData(1), 0) << c.operation << c.n;
        EXPECT_EQ(Error(), c.message) << c.operation << c.n;
        EXPECT_EQ(BlockTypesMemory != nullptr, c.blockTableHeld) << c.operation << c.n;
        pf::core::ClearFaults();
        ReleaseLevel();
        EXPECT_EQ(ReadLevelData(1), 1) << c.operation << c.n;
    }
}

TEST_F(LevelFileTest, ReleaseFreesBothBlocksAndToleratesEmptyHolders) {
    ReleaseLevel();
    ASSERT_EQ(Load(LevelRecipe{}), 1);
    ReleaseLevel();
    EXPECT_EQ(LayoutArrayMemory, nullptr);
    EXPECT_EQ(LayoutArray, nullptr);
    EXPECT_EQ(BlockTypesMemory, nullptr);
    EXPECT_EQ(BlockTypes, nullptr);
    EXPECT_EQ(LayoutColumns, 2);  // geometry keeps its values
    ReleaseLevel();
    ASSERT_EQ(Load(LevelRecipe{}), 1);
    ReleaseBlockTypes();
    ReleaseLayoutArray();
    EXPECT_EQ(BlockTypesMemory, nullptr);
    EXPECT_EQ(LayoutArrayMemory, nullptr);
}

TEST(CheckChunkID, ComparesFourBytesInOrder) {
    const uint8_t bytes[] = {'L', 'L', 'O', 'D'};
    EXPECT_TRUE(CheckChunkID(bytes, 'L', 'L', 'O', 'D'));
    EXPECT_FALSE(CheckChunkID(bytes, 'L', 'L', 'D', 'O'));
    EXPECT_FALSE(CheckChunkID(bytes, 'l', 'L', 'O', 'D'));
}

}  // namespace
