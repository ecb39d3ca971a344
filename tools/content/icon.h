// The game's icon: drawn from its recipe (assets/content/icon.txt) at any
// size, and written as a PNG with alpha, a Windows icon file and a C++
// header of pixels that the SDL backend puts on its window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/content/raster.h"

namespace vxc {

struct IconRecipe {
    Col top, bottom, rim, ball, glow, ship;
    std::vector<Col> bricks;  // six: two rows of three
};

// Reads "key value..." lines; fails naming the line.
bool ParseIconRecipe(const std::string& text, IconRecipe& out, std::string& error);

// size x size pixels, red, green, blue, alpha per pixel, rows top to bottom.
struct IconImage {
    int size = 0;
    std::vector<uint8_t> rgba;
};
IconImage RenderIcon(const IconRecipe& recipe, int size);

bool WritePngRgba(const std::string& path, const IconImage& image, std::string& error);
// A .ico file with one 32-bit image (blue, green, red, alpha, and the 1-bit
// mask) per picture, in the order given.
std::vector<uint8_t> EncodeIco(const std::vector<IconImage>& images);
// A header defining kIconSize and kIconPixels (RGBA) in namespace pf::sdl.
std::string EncodeIconHeader(const IconImage& image);

}  // namespace vxc
