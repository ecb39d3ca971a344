// Previews of what the player sees, composed from the built files the way
// the game draws them: the sheet holds 5-6-5 pixels, keyed copies skip 0.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tools/content/formats.h"

namespace vxc {

struct BuiltContent {
    std::map<std::string, Picture> pictures;  // by file name; font.spr included
    std::vector<LevelData> levels;
    std::vector<uint8_t> hallOfFame;  // the 280 bytes
};

// Writes intro.png, menu.png, halloffame.png, nameentry.png, play1.png ...
// and the sheets sheet_menu.png, sheet_play.png into dir.
bool WritePreviews(const BuiltContent& c, const std::string& dir, std::string& error);

}  // namespace vxc
