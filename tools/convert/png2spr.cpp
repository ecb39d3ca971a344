// vx-png2spr: a PNG to a sprite file (or, with --font, the font file) placed
// at X,Y on the picture sheet. Pure black (and transparent PNG pixels) is the
// transparent colour: every pixel with red < 8, green < 4, blue < 8 is keyed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/content/formats.h"

static bool ParseAt(const char* s, int& x, int& y) {
    char* end = nullptr;
    long a = std::strtol(s, &end, 10);
    if (end == s || *end != ',') return false;
    const char* b = end + 1;
    long c = std::strtol(b, &end, 10);
    if (end == b || *end) return false;
    if (a < 0 || c < 0 || a > 65535 || c > 65535) return false;
    x = int(a); y = int(c);
    return true;
}

int main(int argc, char** argv) {
    bool font = false, haveAt = false;
    int x = 0, y = 0;
    const char* in = nullptr;
    const char* out = nullptr;
    bool bad = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--font") == 0) font = true;
        else if (std::strcmp(argv[i], "--at") == 0 && i + 1 < argc) { haveAt = ParseAt(argv[++i], x, y); bad |= !haveAt; }
        else if (!in) in = argv[i];
        else if (!out) out = argv[i];
        else bad = true;
    }
    if (bad || !in || !out || !haveAt) {
        std::fprintf(stderr, "usage: vx-png2spr in.png out.spr --at X,Y [--font]\n"
                             "  --at X,Y  the picture's top-left corner on the 800x600 sheet\n"
                             "  --font    write the font file (header x, y, width, height)\n");
        return 2;
    }
    vxc::Picture pic;
    std::string error;
    if (!vxc::ReadPng(in, pic.img, error)) {
        std::fprintf(stderr, "vx-png2spr: %s\n", error.c_str());
        return 1;
    }
    pic.x = x; pic.y = y;
    if (x + pic.img.w > 800 || y + pic.img.h > 600) {
        std::fprintf(stderr, "vx-png2spr: %s: %dx%d at %d,%d does not fit the 800x600 sheet\n", in, pic.img.w, pic.img.h, x, y);
        return 1;
    }
    if (!vxc::WriteFileBytes(out, vxc::EncodeSprite(pic, font), error)) {
        std::fprintf(stderr, "vx-png2spr: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
