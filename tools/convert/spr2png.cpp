// vx-spr2png: a sprite file (or, with --font, the font file) to a PNG; prints
// the picture's sheet position so that vx-png2spr can put it back.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/content/formats.h"

int main(int argc, char** argv) {
    bool font = false;
    const char* in = nullptr;
    const char* out = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--font") == 0) font = true;
        else if (!in) in = argv[i];
        else if (!out) out = argv[i];
        else in = nullptr, i = argc;
    }
    if (!in || !out) {
        std::fprintf(stderr, "usage: vx-spr2png [--font] in.spr out.png\n"
                             "  --font  the file is the font file (header x, y, width, height)\n");
        return 2;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    vxc::Picture pic;
    if (!vxc::ReadFileBytes(in, bytes, error) || !vxc::DecodeSprite(bytes, font, pic, error)) {
        std::fprintf(stderr, "vx-spr2png: %s: %s\n", in, error.c_str());
        return 1;
    }
    if (pic.img.w == 0 || pic.img.h == 0) {
        std::fprintf(stderr, "vx-spr2png: %s: the picture is empty (%dx%d)\n", in, pic.img.w, pic.img.h);
        return 1;
    }
    if (!vxc::WritePng(out, pic.img, error)) {
        std::fprintf(stderr, "vx-spr2png: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %dx%d at %d,%d\n", in, pic.img.w, pic.img.h, pic.x, pic.y);
    if (pic.x + pic.img.w > 800 || pic.y + pic.img.h > 600)
        std::fprintf(stderr, "vx-spr2png: warning: %s does not fit the 800x600 sheet\n", in);
    return 0;
}
