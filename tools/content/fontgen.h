// The font picture: 72 glyph cells of the game's fixed table rendered with
// FreeType, light with a slight vertical gradient, edges blended onto black.
#pragma once

#include <string>

#include "tools/content/image.h"
#include "tools/content/manifest.h"
#include "tools/content/raster.h"

namespace vxc {

// The picture must sit at sheet x 0 (glyph row 2 always starts there) and be
// at least 535 x 48.
bool RenderFontPicture(const PictureRecipe& recipe, const Font& face, Image& out, std::string& error);

}  // namespace vxc
