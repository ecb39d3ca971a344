// Helpers of the play tests: sprite records of known sizes, small levels
// built in memory, and seeds that make the random draws come out as a test
// needs them.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

#include "game/shell/record.h"

namespace playtest {

// Sizes of the sprites the tests give the play set.
constexpr int BallSize = 16;
constexpr int ShipWidth = 64;
constexpr int ShipHeight = 16;
constexpr int LongShipWidth = 96;
constexpr int MissileHeight = 12;
constexpr int CapsuleWidth = 32;
constexpr int CapsuleHeight = 16;
constexpr int PanelX = 560;

// Gives every play sprite record a size and a place on the sheet (the places
// lie below the block area and do not overlap).
void UsePlaySprites();

// A level in memory, allocated as the loader allocates it so that
// ReleaseLevel frees it: block types with the given hitsToBreak, cells row by
// row (low byte type + 1, high byte hits taken).
void BuildLevel(int columns, int rows, int x, int y, int cellWidth, int cellHeight,
                std::initializer_list<uint16_t> hitsToBreak, const std::vector<uint16_t>& cells);
uint16_t& Cell(int row, int column);

// The first seed from which the draws satisfy the test; the generator is
// left seeded with it.
unsigned SeedWhere(const std::function<bool()>& draws);
// A seed whose first draw modulo 100 is r, the generator seeded with it.
unsigned SeedFirstDraw(int r);

// The score as a number.
int64_t Score();
void SetScore(int64_t value);

}  // namespace playtest
