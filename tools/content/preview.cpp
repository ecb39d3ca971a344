#include "tools/content/preview.h"

#include <cstring>

#include "tools/content/glyphs.h"
#include "tools/content/layout.h"

namespace vxc {

namespace {

// The sheet and screen as the game holds them: 5-6-5 values widened back.
struct Surface {
    Image img{ScreenWidth, ScreenHeight};
    void Store(const Picture& p) {
        for (int y = 0; y < p.img.h; ++y)
            for (int x = 0; x < p.img.w; ++x) {
                if (p.x + x >= ScreenWidth || p.y + y >= ScreenHeight) continue;
                const uint8_t* s = p.img.at(x, y);
                img.set(p.x + x, p.y + y, s[0] & 0xF8, s[1] & 0xFC, s[2] & 0xF8);
            }
    }
};

void Copy(Image& screen, const Image& sheet, Rect src, int dx, int dy, bool keyed) {
    if (src.x < 0 || src.y < 0 || src.x + src.w > ScreenWidth || src.y + src.h > ScreenHeight) return;
    if (dx < 0 || dy < 0 || dx + src.w > ScreenWidth || dy + src.h > ScreenHeight) return;  // the game refuses such copies
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) {
            const uint8_t* s = sheet.at(src.x + x, src.y + y);
            if (keyed && s[0] == 0 && s[1] == 0 && s[2] == 0) continue;
            std::memcpy(screen.at(dx + x, dy + y), s, 3);
        }
}

struct Screen {
    explicit Screen(const BuiltContent& content) : c(content) {}
    const BuiltContent& c;
    Surface sheet;
    Image img{ScreenWidth, ScreenHeight};
    int fx = 0, fy = 0;

    const Picture& Pic(const std::string& n) const { return c.pictures.at(n); }
    void Load(const std::string& n) {
        sheet.Store(Pic(n));
        if (n == "font.spr") { fx = Pic(n).x; fy = Pic(n).y; }
    }
    Rect R(const std::string& n) const {
        const Picture& p = Pic(n);
        return {p.x, p.y, p.img.w, p.img.h};
    }
    void Draw(const std::string& n, int x, int y, bool keyed = true) { Copy(img, sheet.img, R(n), x, y, keyed); }
    int Char(int& x, int y, int g) {
        GlyphRect r = GlyphAt(g, fx, fy);
        Copy(img, sheet.img, {r.x, r.y, r.w, r.h}, x, y, true);
        x += r.w + 2;
        return r.w + 2;
    }
    void String(const char* s, int x, int y) {
        for (; *s; ++s) {
            int off;
            int g = GlyphOf(*s, off);
            if (*s == ' ') x += 16;
            else if (g >= 0) Char(x, y + off, g);
        }
    }
    void StringRight(const uint8_t* s, int count, int x, int y) {
        for (int i = count - 1; i >= 0 && s[i]; --i) {
            int off;
            int g = GlyphOf(char(s[i]), off);
            if (s[i] == ' ') { x -= 16; continue; }
            if (g < 0) continue;
            GlyphRect r = GlyphAt(g, fx, fy);
            Copy(img, sheet.img, {r.x, r.y, r.w, r.h}, x - r.w, y + off, true);
            x -= r.w + 2;
        }
    }
    void Score(uint32_t score, int x, int y) {
        int cells[10] = {};
        for (int i = 9; i >= 1; --i) { cells[i] = int(score % 10); score /= 10; }
        int n = 0;
        while (n < 10 && cells[n] == 0) ++n;
        x += 6 * n - 60;
        if (n == 10) { Char(x, y, 0); return; }
        for (int i = n; i < 10; ++i) Char(x, y, cells[i]);
    }
};

bool Save(const Image& img, const std::string& dir, const std::string& name, std::string& error) {
    return WritePng(dir + "/" + name, img, error);
}

const char* const kPlaySet[] = {"tbar.spr", "lives.spr", "pwrup_p.spr", "pwrup_r.spr", "pwrup_s.spr", "pwrup_m.spr",
                                "pwrup_f.spr", "pwrup_w.spr", "pwrup_a.spr", "pwrup_b.spr", "ship.spr", "shipl.spr",
                                "shipc.spr", "missile.spr", "ball.spr", "ballf.spr", "font.spr"};
const char* const kMenuSet[] = {"logo.spr", "but1.spr", "but2.spr", "selleft.spr", "selrig.spr", "version.spr", "font.spr"};

}  // namespace

bool WritePreviews(const BuiltContent& c, const std::string& dir, std::string& error) {
    {
        Screen s(c);
        s.Load("logo1.spr");
        s.Load("logo2.spr");
        s.Draw("logo1.spr", IntroLogo1At.x, IntroLogo1At.y);
        s.Draw("logo2.spr", IntroLogo2At.x, IntroLogo2At.y);
        if (!Save(s.img, dir, "intro.png", error)) return false;
    }
    {
        Screen s(c);
        for (const char* n : kMenuSet) s.Load(n);
        s.Draw("logo.spr", MenuLogoAt.x, MenuLogoAt.y);
        s.Draw("version.spr", MenuVersionAt.x, MenuVersionAt.y);
        s.Draw("but1.spr", MenuStartButtonAt.x, MenuStartButtonAt.y);
        s.Draw("but2.spr", MenuQuitButtonAt.x, MenuQuitButtonAt.y);
        s.Draw("selleft.spr", MenuSelectorLeftAt.x, MenuSelectorLeftAt.y);
        s.Draw("selrig.spr", MenuSelectorRightAt.x, MenuSelectorRightAt.y);
        if (!Save(s.img, dir, "menu.png", error)) return false;
        if (!Save(s.sheet.img, dir, "sheet_menu.png", error)) return false;

        Screen h(c);
        for (const char* n : kMenuSet) h.Load(n);
        h.Draw("logo.spr", MenuLogoAt.x, MenuLogoAt.y);
        h.String("ALL TIME HIGH", HallTitleAt.x, HallTitleAt.y);
        static const uint8_t level[] = "\0Level", score[] = "\0Score";
        h.StringRight(level, 6, HallLevelRight, HallHeadingY);
        h.StringRight(score, 6, HallScoreRight, HallHeadingY);
        h.String("Name", HallNameLeft, HallHeadingY);
        for (int k = 0; k < HallOfFameSize && c.hallOfFame.size() >= HallOfFameFileBytes; ++k) {
            const uint8_t* rec = &c.hallOfFame[size_t(k) * HallOfFameRecordBytes];
            int y = HallFirstRowY + HallRowStep * k;
            h.StringRight(rec + 24, 4, HallLevelRight, y);
            h.StringRight(rec + 10, 10, HallScoreRight, y);
            char name[4] = {};
            std::memcpy(name, rec + 20, 3);
            h.String(name, HallNameLeft, y);
        }
        if (!Save(h.img, dir, "halloffame.png", error)) return false;

        Screen e(c);
        for (const char* n : kMenuSet) e.Load(n);
        e.String("Enter your name for", NameEntryLine1At.x, NameEntryLine1At.y);
        e.String("the Hall Of Fame", NameEntryLine2At.x, NameEntryLine2At.y);
        e.String("VX", NameEntryNameAt.x, NameEntryNameAt.y);
        for (int start : {NameWheelLeftDotsX, NameWheelRightDotsX})
            for (int i = 0; i < 3; ++i) { int xx = start + NameWheelDotStep * i; e.Char(xx, NameWheelY, 62); }
        const int sel = 32;
        auto wheelGlyph = [](int pos) { return pos < 26 ? 36 + pos : 62 + (pos - 26); };
        for (int k = -5; k <= 4; ++k) {
            int pos = ((sel + k) % 35 + 35) % 35;
            int g = wheelGlyph(pos);
            int x = NameWheelSelectedX + NameWheelCellWidth * k + (NameWheelCellWidth - kGlyphWidths[g]) / 2;
            e.Char(x, NameWheelY, g);
        }
        for (int y : {NameWheelMarkBelowY, NameWheelMarkAboveY}) {
            int x = NameWheelSelectedX + (NameWheelCellWidth - kGlyphWidths[65]) / 2;
            e.Char(x, y, 65);
        }
        e.Draw("logo.spr", MenuLogoAt.x, MenuLogoAt.y);
        if (!Save(e.img, dir, "nameentry.png", error)) return false;
    }
    static const char* const kShips[] = {"ship.spr", "shipl.spr", "shipc.spr", "ship.spr"};
    static const uint32_t kScores[] = {12500, 87750, 164250, 1203500};
    for (size_t li = 0; li < c.levels.size(); ++li) {
        const LevelData& lv = c.levels[li];
        Screen s(c);
        for (const char* n : kPlaySet) s.Load(n);
        const Picture& tbar = s.Pic("tbar.spr");
        std::vector<PlacedPicture> frames = BlockFrameRects(lv, tbar.x, "level");
        size_t fi = 0;
        std::vector<Rect> frame0;
        for (const BlockTypeData& bt : lv.types)
            for (size_t k = 0; k < bt.frames.size(); ++k, ++fi) {
                Picture p{frames[fi].rect.x, frames[fi].rect.y, bt.frames[k]};
                s.sheet.Store(p);
                if (k == 0) frame0.push_back(frames[fi].rect);
            }
        for (int r = 0; r < lv.rows; ++r)
            for (int col = 0; col < lv.columns; ++col) {
                int t = lv.cells[size_t(r) * lv.columns + size_t(col)] & 0xFF;
                // Leave a few gaps, as in a level being played.
                if (t && !((r * 7 + col * 3 + int(li)) % 17 == 0 && lv.types[size_t(t) - 1].hitsToBreak != 255))
                    Copy(s.img, s.sheet.img, frame0[size_t(t) - 1], lv.x + col * lv.cellWidth, lv.y + r * lv.cellHeight, true);
            }
        const char* ship = kShips[li % 4];
        int shipX = 200 + int(li) * 40;
        s.Draw(ship, shipX, ShipStartAt.y);
        if (std::string(ship) == "shipc.spr") {
            int mh = s.R("missile.spr").h;
            for (int dy : {0, 90, 180}) {
                s.Draw("missile.spr", shipX + LeftBarrelX, ShipStartAt.y - mh - 40 - dy);
                s.Draw("missile.spr", shipX + RightBarrelX, ShipStartAt.y - mh - 40 - dy);
            }
        }
        const char* ball = li == 3 ? "ballf.spr" : "ball.spr";
        s.Draw(ball, 300 - int(li) * 30, 430);
        if (li == 1) { s.Draw(ball, 140, 380); s.Draw(ball, 420, 340); }
        static const char* const kCaps[] = {"pwrup_p.spr", "pwrup_r.spr", "pwrup_s.spr", "pwrup_m.spr",
                                            "pwrup_f.spr", "pwrup_a.spr", "pwrup_b.spr", "pwrup_w.spr"};
        s.Draw(kCaps[li * 2], 60 + int(li) * 50, 400);
        s.Draw(kCaps[li * 2 + 1], 430 - int(li) * 40, 470);
        s.Draw("tbar.spr", tbar.x, tbar.y, false);
        for (int i = 0; i < StartingLives; ++i) s.Draw("lives.spr", LivesIconAt.x + LivesIconStep * i, LivesIconAt.y);
        const Rect scoreBox{ScoreBoxLeft, ScoreBoxTop, ScoreBoxRight - ScoreBoxLeft, ScoreBoxBottom - ScoreBoxTop};
        Copy(s.img, s.sheet.img, scoreBox, ScoreBoxLeft, ScoreBoxTop, false);
        s.Score(kScores[li % 4], ScorePenAt.x, ScorePenAt.y);
        if (!Save(s.img, dir, "play" + std::to_string(li + 1) + ".png", error)) return false;
        if (li + 1 == c.levels.size() && !Save(s.sheet.img, dir, "sheet_play.png", error)) return false;
    }
    {
        // All eight capsules, both balls, ships and missile, enlarged 3x on grey.
        Image strip(800, 200);
        for (size_t i = 0; i < strip.rgb.size(); ++i) strip.rgb[i] = 40;
        static const char* const kAll[] = {"pwrup_p.spr", "pwrup_r.spr", "pwrup_s.spr", "pwrup_m.spr", "pwrup_f.spr",
                                           "pwrup_a.spr", "pwrup_b.spr", "pwrup_w.spr"};
        int x = 8;
        auto put = [&](const Picture& p, int px, int py) {
            for (int y = 0; y < p.img.h; ++y)
                for (int xx = 0; xx < p.img.w; ++xx) {
                    const uint8_t* s = p.img.at(xx, y);
                    if (IsTransparent(s)) continue;
                    for (int k = 0; k < 9; ++k)
                        if (px + xx * 3 + k % 3 < strip.w && py + y * 3 + k / 3 < strip.h) strip.set(px + xx * 3 + k % 3, py + y * 3 + k / 3, s[0], s[1], s[2]);
                }
        };
        for (const char* n : kAll) { put(c.pictures.at(n), x, 8); x += c.pictures.at(n).img.w * 3 + 6; }
        put(c.pictures.at("ship.spr"), 8, 70);
        put(c.pictures.at("shipc.spr"), 200, 70);
        put(c.pictures.at("shipl.spr"), 400, 70);
        put(c.pictures.at("ball.spr"), 8, 130);
        put(c.pictures.at("ballf.spr"), 60, 130);
        put(c.pictures.at("missile.spr"), 120, 130);
        put(c.pictures.at("lives.spr"), 160, 130);
        if (!Save(strip, dir, "sprites_x3.png", error)) return false;
        // Every block frame of every level, enlarged 3x.
        Image blocks(ScreenWidth, ScreenHeight);
        for (size_t i = 0; i < blocks.rgb.size(); ++i) blocks.rgb[i] = 40;
        std::swap(strip, blocks);
        int by = 6;
        for (const LevelData& lv : c.levels) {
            int bx = 6;
            for (const BlockTypeData& bt : lv.types)
                for (const Image& f : bt.frames) {
                    if (bx + f.w * 3 > ScreenWidth) { bx = 6; by += lv.cellHeight * 3 + 6; }
                    put(Picture{0, 0, f}, bx, by);
                    bx += f.w * 3 + 6;
                }
            by += lv.cellHeight * 3 + 12;
        }
        std::swap(strip, blocks);
        if (!Save(blocks, dir, "blocks_x3.png", error)) return false;
    }
    return true;
}

}  // namespace vxc
