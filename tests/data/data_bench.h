// What the data tests share: a scratch working directory with a Data folder,
// the offscreen sheet (and a back buffer) made through the platform's
// DirectDraw calls, builders of sprite, font and level files, and reads of
// sheet pixels.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "game/shell/record.h"

namespace datatest {

using Bytes = std::vector<uint8_t>;

void PutU16(Bytes& out, uint16_t value);
void PutID(Bytes& out, const char* id);

// A sprite file: header width, height, x, y, then the pixels (blue, green,
// red). With no pixels given, pixel i of the picture is Pattern(i).
Bytes SpriteFile(uint16_t width, uint16_t height, uint16_t x, uint16_t y, Bytes pixels = {});
// A font file: header x, y, width, height, then patterned pixels.
Bytes FontFile(uint16_t x, uint16_t y, uint16_t width, uint16_t height);
// Three bytes of a patterned picture whose 5-6-5 form is never 0.
void PutPattern(Bytes& out, size_t index);
uint16_t PatternPixel(size_t index);

struct BlockTypeRecipe {
    uint16_t frameCount = 1;
    uint16_t hitsToBreak = 1;
};

struct LevelRecipe {
    uint16_t level = 1;
    uint16_t columns = 2;
    uint16_t rows = 1;
    uint16_t x = 100;
    uint16_t y = 50;
    uint16_t blocksToClear = 1;
    uint16_t cellWidth = 2;
    uint16_t cellHeight = 1;
    std::vector<BlockTypeRecipe> types = {{}};
    std::vector<uint16_t> cells;  // empty: cell 0 holds type 0, the rest empty
    const char* ids[4] = {LevelFileID, LevelDataID, LevelBlockDataID, LevelLayoutID};
};

// A level file; frame f overall (in file order) has every pixel PatternPixel(f).
Bytes LevelFile(const LevelRecipe& recipe);

// Runs each test in a fresh program record and platform core, inside a
// scratch working directory holding a Data folder, with the offscreen sheet
// (and a back buffer) created and the sheet locked unless the test unlocks.
class DataTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void WriteData(const std::string& name, const Bytes& bytes);  // Data/<name>
    void RemoveData(const std::string& name);
    Bytes ReadData(const std::string& name);
    bool DataExists(const std::string& name);

    void CreateSurfaces();
    void Lock();    // LockOffscreen, asserting success
    void Unlock();  // UnlockOffscreen
    // A sheet pixel, read through the current lock or a fresh one.
    uint16_t Sheet(int x, int y);
    uint16_t Back(int x, int y);
    // Number of sheet pixels that are not 0.
    size_t SheetPixelsSet();

    std::string Error() const { return ErrorText; }

    std::filesystem::path dir_;
    std::string previousDir_;
};

}  // namespace datatest
