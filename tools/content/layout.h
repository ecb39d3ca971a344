// Layout rules of the picture sheet. Each asset set (intro, menu, play)
// fills one 800x600 sheet: every picture must lie inside it and no two
// pictures of one set may overlap. The play set also holds the level's block
// frames, which the level loader lays out from (0, 0) in rows of the cell
// height up to the side panel's x; the font's two glyph rows (row 1 at the
// font's position, 535 wide; row 2 at x 0 one row lower, 500 wide) must be
// clear of everything in every set that loads the font.
#pragma once

#include <string>
#include <vector>

#include "tools/content/formats.h"

namespace vxc {

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool Overlaps(const Rect& o) const {
        return w > 0 && h > 0 && o.w > 0 && o.h > 0 && x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h;
    }
    bool InsideSheet() const { return x >= 0 && y >= 0 && x + w <= ScreenWidth && y + h <= ScreenHeight; }
};

struct PlacedPicture {
    std::string name;  // file name, for messages
    Rect rect;
};

// Where the level loader puts each frame of the level: the cursor starts at
// (0, 0), advances by the cell width and wraps to the next row once it
// reaches panelX.
std::vector<PlacedPicture> BlockFrameRects(const LevelData& level, int panelX, const std::string& levelName);

// Font rows for a font picture at (x, y).
std::vector<PlacedPicture> FontRows(int x, int y);

// Every picture inside 800x600 and no two overlapping; returns the
// problems found, each naming the pictures (empty when the set is sound).
std::vector<std::string> CheckSet(const std::string& setName, const std::vector<PlacedPicture>& pictures);

}  // namespace vxc
