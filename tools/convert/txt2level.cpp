// vx-txt2level: a text level map to a level file.
#include <cstdio>
#include <string>

#include "tools/content/formats.h"
#include "tools/content/levelmap.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vx-txt2level in.txt out.ldf\n");
        return 2;
    }
    std::string error;
    vxc::LevelData lv;
    if (!vxc::ReadLevelMap(argv[1], lv, error)) {
        std::fprintf(stderr, "vx-txt2level: %s\n", error.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes;
    if (!vxc::EncodeLevel(lv, bytes, error)) {
        std::fprintf(stderr, "vx-txt2level: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    if (lv.blocksToClear != lv.BreakableBlocks())
        std::fprintf(stderr, "vx-txt2level: warning: clear %u but %d breakable blocks: the level cannot be finished as stated\n",
                     lv.blocksToClear, lv.BreakableBlocks());
    if (lv.x + lv.columns * lv.cellWidth > 550)
        std::fprintf(stderr, "vx-txt2level: warning: the grid runs past x 550, under the side panel\n");
    if (!vxc::WriteFileBytes(argv[2], bytes, error)) {
        std::fprintf(stderr, "vx-txt2level: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
