// The readable level map: a text file that describes one level file.
//
//   level 2                  level number (the file's level check)
//   grid 11 9                columns rows
//   at 22 60                 screen position of the grid (LayoutX LayoutY)
//   cell 46 20               cell width and height (every block picture's size)
//   clear auto               BlocksToClear: "auto" counts the breakable blocks
//   block R hits 1 brick d94040
//   block M hits 2 metal b8c4d0
//   block C hits 1 crystal 60e0ff frames 4
//   block P hits 1 png p0.png p1.png  [values 0 0]
//   map
//   R R R . M M . R R R      one line per row, one character per cell
//   taken 0 3 1              optional: row column hits already taken
//
// Blank lines and text after '#' are ignored (outside the map a '#' starts a
// comment; in map rows '#' may not be used as a block symbol). PNG paths are
// relative to the map file.
#pragma once

#include <string>

#include "tools/content/formats.h"

namespace vxc {

bool ParseLevelMap(const std::string& text, const std::string& baseDir, LevelData& out, std::string& error);
bool ReadLevelMap(const std::string& path, LevelData& out, std::string& error);
// Writes the level as a map; frames go to PNG files "<stem>_<symbol><k>.png"
// beside it (symbols A..Z, then a..t).
bool WriteLevelMap(const std::string& path, const LevelData& level, std::string& error);

}  // namespace vxc
