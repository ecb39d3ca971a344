// vx-icon: draws the game's icon from its recipe.
//
//   vx-icon RECIPE OUTDIR
//
// Writes OUTDIR/velnorix.ico (16, 32 and 48 pixels, for the Windows program's
// icon resource), OUTDIR/velnorix.png (64 pixels with alpha) and
// OUTDIR/velnorix_icon.h (the same 64-pixel picture as C++ data, built into
// the SDL backend, which sets it on the window) and OUTDIR/hicolor/NxN/apps/
// velnorix.png for the desktop's icon theme (16 to 256 pixels, installed by
// the package). Output is byte-identical from build to build.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/content/icon.h"
#include "tools/content/image.h"

using namespace vxc;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vx-icon RECIPE OUTDIR\n");
        return 2;
    }
    const std::string recipePath = argv[1], out = argv[2];
    std::string error;
    std::vector<uint8_t> bytes;
    IconRecipe recipe;
    if (!ReadFileBytes(recipePath, bytes, error) ||
        !ParseIconRecipe(std::string(bytes.begin(), bytes.end()), recipe, error)) {
        std::fprintf(stderr, "vx-icon: %s\n", error.c_str());
        return 1;
    }
    const IconImage large = RenderIcon(recipe, 64);
    const std::vector<IconImage> small = {RenderIcon(recipe, 16), RenderIcon(recipe, 32), RenderIcon(recipe, 48)};
    const std::string header = EncodeIconHeader(large);
    if (!WriteFileBytes(out + "/velnorix.ico", EncodeIco(small), error) ||
        !WritePngRgba(out + "/velnorix.png", large, error) ||
        !WriteFileBytes(out + "/velnorix_icon.h", std::vector<uint8_t>(header.begin(), header.end()), error)) {
        std::fprintf(stderr, "vx-icon: %s\n", error.c_str());
        return 1;
    }
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::string side = std::to_string(size);
        std::string dir = out + "/hicolor";
        for (const std::string& part : {std::string(), "/" + side + "x" + side, std::string("/apps")}) {
            dir += part;
            if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
                std::fprintf(stderr, "vx-icon: cannot create %s\n", dir.c_str());
                return 1;
            }
        }
        if (!WritePngRgba(dir + "/velnorix.png", RenderIcon(recipe, size), error)) {
            std::fprintf(stderr, "vx-icon: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
