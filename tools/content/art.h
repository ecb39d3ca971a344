// Picture recipes of the content builder: each kind of picture in
// pictures.txt (emblem, title, logo, button, selector, version, panel,
// lives, capsule, ship, missile, ball, font) is drawn here from its
// parameters.
#pragma once

#include <string>

#include "tools/content/image.h"
#include "tools/content/manifest.h"
#include "tools/content/raster.h"

namespace vxc {

struct ArtFonts {
    const Font* bold = nullptr;     // DejaVu Sans Bold
    const Font* regular = nullptr;  // DejaVu Sans
};

// Draws the picture; out is recipe.w x recipe.h. Fails on an unknown kind or a
// bad parameter, naming the picture.
bool RenderPicture(const PictureRecipe& recipe, const ArtFonts& fonts, Image& out, std::string& error);

}  // namespace vxc
