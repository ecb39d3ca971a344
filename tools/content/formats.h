// The game's file formats, written and read with every length checked:
// sprite files, the font file, level files and the hall-of-fame file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/rules.h"
#include "tools/content/image.h"

namespace vxc {

// A picture with its rectangle on the picture sheet (ScreenWidth x ScreenHeight).
struct Picture {
    int x = 0;
    int y = 0;
    Image img;
};

// Sprite file: u16 width, height, x, y, then blue, green, red pixels.
// Font file: the same with the header order x, y, width, height.
std::vector<uint8_t> EncodeSprite(const Picture& pic, bool fontOrder);
bool DecodeSprite(const std::vector<uint8_t>& bytes, bool fontOrder, Picture& out, std::string& error);

struct BlockTypeData {
    uint16_t hitsToBreak = 1;
    std::vector<uint16_t> frameValues;  // one per frame
    std::vector<Image> frames;          // CellWidth x CellHeight each
};

struct LevelData {
    uint16_t number = 1;
    uint16_t columns = 0, rows = 0;
    uint16_t x = 0, y = 0;
    uint16_t blocksToClear = 0;
    uint16_t cellWidth = 0, cellHeight = 0;
    std::vector<BlockTypeData> types;
    std::vector<uint16_t> cells;  // columns * rows, row-major; low byte type + 1, high byte hits taken

    int BreakableBlocks() const;  // occupied cells whose type's hitsToBreak is not 255
};


// Encoding refuses what the game's loader would refuse (counts, sizes,
// unknown block types in cells).
bool EncodeLevel(const LevelData& level, std::vector<uint8_t>& out, std::string& error);
bool DecodeLevel(const std::vector<uint8_t>& bytes, LevelData& out, std::string& error);

struct HallOfFameEntry {
    uint32_t score = 0;  // at most 999,999,999
    std::string name;    // up to 3 characters of the name wheel
    uint32_t level = 0;  // 0: no level text
};
// Ten 28-byte records with zero masks; fails on a bad score, name or count.
bool EncodeHallOfFame(const std::vector<HallOfFameEntry>& entries, std::vector<uint8_t>& out, std::string& error);
bool DecodeHallOfFame(const std::vector<uint8_t>& bytes, std::vector<HallOfFameEntry>& out, std::string& error);
bool IsWheelCharacter(char c);

}  // namespace vxc
