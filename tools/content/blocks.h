// Block pictures drawn from a style and a colour: the recipes that level
// maps name ("brick", "metal", "steel", "crystal").
#pragma once

#include <string>

#include "tools/content/image.h"
#include "tools/content/raster.h"

namespace vxc {

bool IsBlockStyle(const std::string& name);
// One frame of a block of the style, w x h (the level's cell size). hits
// gives the metal style its strength marks; frame/frames animate crystals.
Image RenderBlock(const std::string& style, Col colour, int w, int h, int hits, int frame, int frames);

}  // namespace vxc
