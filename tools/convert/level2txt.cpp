// vx-level2txt: a level file to a text level map; each block frame becomes a
// PNG beside the map ("<map name>_<symbol><frame>.png").
#include <cstdio>
#include <string>

#include "tools/content/formats.h"
#include "tools/content/levelmap.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vx-level2txt in.ldf out.txt\n");
        return 2;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    vxc::LevelData lv;
    if (!vxc::ReadFileBytes(argv[1], bytes, error) || !vxc::DecodeLevel(bytes, lv, error)) {
        std::fprintf(stderr, "vx-level2txt: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    if (!vxc::WriteLevelMap(argv[2], lv, error)) {
        std::fprintf(stderr, "vx-level2txt: %s\n", error.c_str());
        return 1;
    }
    if (lv.blocksToClear != lv.BreakableBlocks())
        std::fprintf(stderr, "vx-level2txt: note: %s asks for %u blocks but has %d breakable ones\n", argv[1], lv.blocksToClear, lv.BreakableBlocks());
    return 0;
}
