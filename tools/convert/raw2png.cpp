// vx-raw2png: the game's screenshot file (800x600, red, green, blue bytes,
// no header, 1,440,000 bytes) to a PNG.
#include <cstdio>
#include <string>

#include "tools/content/image.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vx-raw2png Screen001.raw out.png\n");
        return 2;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!vxc::ReadFileBytes(argv[1], bytes, error)) {
        std::fprintf(stderr, "vx-raw2png: %s\n", error.c_str());
        return 1;
    }
    const size_t expected = 800u * 600u * 3u;
    if (bytes.size() != expected) {
        std::fprintf(stderr, "vx-raw2png: %s: %zu bytes, a screenshot is exactly %zu (800x600, 3 bytes per pixel)\n", argv[1], bytes.size(), expected);
        return 1;
    }
    vxc::Image img(800, 600);
    img.rgb = bytes;
    if (!vxc::WritePng(argv[2], img, error)) {
        std::fprintf(stderr, "vx-raw2png: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
