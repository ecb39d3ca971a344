#include "play/play_setup.h"

#include <cstring>

#include "game/data/data.h"
#include "pf/files.h"
#include "pf/random.h"

namespace playtest {

void UsePlaySprites() {
    TbarSprite = {240, 600, PanelX, 0};
    LivesSprite = {30, 20, 0, 400};
    for (int k = 0; k < 8; ++k)
        PowerUpSprites[k] = {CapsuleWidth, CapsuleHeight, static_cast<uint16_t>(40 * k), 420};
    ShipSprite = {ShipWidth, ShipHeight, 0, 440};
    ShipLSprite = {LongShipWidth, ShipHeight, 70, 440};
    ShipCSprite = {ShipWidth, ShipHeight, 170, 440};
    MissileSprite = {4, MissileHeight, 240, 440};
    BallSprite = {BallSize, BallSize, 250, 440};
    BallFSprite = {BallSize, BallSize, 270, 440};
}

void BuildLevel(int columns, int rows, int x, int y, int cellWidth, int cellHeight,
                std::initializer_list<uint16_t> hitsToBreak, const std::vector<uint16_t>& cells) {
    ReleaseLevel();
    LayoutColumns = static_cast<uint16_t>(columns);
    LayoutRows = static_cast<uint16_t>(rows);
    LayoutX = static_cast<uint16_t>(x);
    LayoutY = static_cast<uint16_t>(y);
    CellWidth = static_cast<uint16_t>(cellWidth);
    CellHeight = static_cast<uint16_t>(cellHeight);

    BlockTypesMemory = pf::GlobalAlloc(pf::GHND, sizeof(BlockType) * hitsToBreak.size());
    BlockTypes = static_cast<BlockType*>(pf::GlobalLock(BlockTypesMemory));
    BlockTypeCount = static_cast<uint16_t>(hitsToBreak.size());
    int t = 0;
    for (uint16_t hits : hitsToBreak) {
        BlockTypes[t] = {};
        BlockTypes[t].frameCount = 1;
        BlockTypes[t].hitsToBreak = hits;
        BlockTypes[t].frameX[0] = static_cast<uint16_t>(t * cellWidth);
        ++t;
    }

    const size_t count = static_cast<size_t>(columns) * rows;
    LayoutArrayMemory = pf::GlobalAlloc(pf::GHND, sizeof(uint16_t) * count);
    LayoutArray = static_cast<uint16_t*>(pf::GlobalLock(LayoutArrayMemory));
    for (size_t i = 0; i < count; ++i) LayoutArray[i] = i < cells.size() ? cells[i] : 0;
}

uint16_t& Cell(int row, int column) { return LayoutArray[row * LayoutColumns + column]; }

unsigned SeedWhere(const std::function<bool()>& draws) {
    for (unsigned seed = 1;; ++seed) {
        pf::srand(seed);
        if (draws()) {
            pf::srand(seed);
            return seed;
        }
    }
}

unsigned SeedFirstDraw(int r) {
    return SeedWhere([r] { return pf::rand() % 100 == r; });
}

int64_t Score() {
    int64_t value = 0;
    for (int i = 0; i < 10; ++i) value = value * 10 + ScoreDigits[i];
    return value;
}

void SetScore(int64_t value) {
    for (int i = 9; i >= 0; --i) {
        ScoreDigits[i] = static_cast<int32_t>(value % 10);
        value /= 10;
    }
}

}  // namespace playtest
