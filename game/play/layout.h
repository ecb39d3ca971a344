// The level's cell grid as play reads it: which cell a point falls in and what
// block a cell holds. Every lookup stays inside LayoutArray and BlockTypes,
// whatever the cells hold.
#pragma once

#include "game/shell/record.h"

namespace play {

// The grid's right and bottom edges (exclusive), in screen pixels.
inline int LayoutRight() { return LayoutX + LayoutColumns * CellWidth; }
inline int LayoutBottom() { return LayoutY + LayoutRows * CellHeight; }

// The cell (row, column), or null when there is no level or the cell lies
// outside the grid.
inline uint16_t* CellAt(int row, int column) {
    if (LayoutArray == nullptr || BlockTypes == nullptr) return nullptr;
    if (row < 0 || row >= LayoutRows || column < 0 || column >= LayoutColumns) return nullptr;
    return &LayoutArray[row * LayoutColumns + column];
}

// The block type index a cell names, or -1 for an empty cell. A cell naming a
// block type beyond the table counts as empty, so it is neither drawn, nor
// hit, nor damaged.
inline int CellBlockType(uint16_t cell) {
    const int t = (cell & 0xFF) - 1;
    return t >= 0 && t < BlockTypeCount ? t : -1;
}

// True when the cell (row, column) holds a block.
inline bool CellOccupied(int row, int column) {
    const uint16_t* cell = CellAt(row, column);
    return cell != nullptr && CellBlockType(*cell) >= 0;
}

}  // namespace play
