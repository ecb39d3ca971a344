#include "tools/content/layout.h"

namespace vxc {

std::vector<PlacedPicture> BlockFrameRects(const LevelData& lv, int panelX, const std::string& levelName) {
    std::vector<PlacedPicture> out;
    BlockFrameCursor cursor;
    for (size_t t = 0; t < lv.types.size(); ++t)
        for (size_t k = 0; k < lv.types[t].frames.size(); ++k) {
            out.push_back({levelName + " block type " + std::to_string(t) + " frame " + std::to_string(k),
                           {int(cursor.x), int(cursor.y), lv.cellWidth, lv.cellHeight}});
            cursor.Advance(lv.cellWidth, lv.cellHeight, uint32_t(panelX));
        }
    return out;
}

std::vector<PlacedPicture> FontRows(int x, int y) {
    return {{"font.spr glyph row 1", {x, y, 535, 24}}, {"font.spr glyph row 2", {0, y + 24, 500, 24}}};
}

std::vector<std::string> CheckSet(const std::string& setName, const std::vector<PlacedPicture>& pics) {
    std::vector<std::string> problems;
    for (const PlacedPicture& p : pics)
        if (!p.rect.InsideSheet())
            problems.push_back(setName + " set: " + p.name + " (" + std::to_string(p.rect.w) + "x" + std::to_string(p.rect.h) +
                               " at " + std::to_string(p.rect.x) + "," + std::to_string(p.rect.y) + ") lies outside the 800x600 sheet");
    for (size_t i = 0; i < pics.size(); ++i)
        for (size_t j = i + 1; j < pics.size(); ++j) {
            const PlacedPicture& a = pics[i];
            const PlacedPicture& b = pics[j];
            // A font row lies inside the font picture by construction.
            bool sameFont = a.name.rfind("font.spr", 0) == 0 && b.name.rfind("font.spr", 0) == 0;
            if (!sameFont && a.rect.Overlaps(b.rect))
                problems.push_back(setName + " set: " + a.name + " overlaps " + b.name + " on the sheet");
        }
    return problems;
}

}  // namespace vxc
