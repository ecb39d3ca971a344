// The built Data folder: every file parses with the game's formats and the
// content keeps the rules the game relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "tools/content/formats.h"
#include "tools/content/glyphs.h"
#include "tools/content/layout.h"
#include "tools/content_support.h"

using namespace vxc;
using content_test::Bytes;

namespace {

const std::string kData = VX_DATA_DIR;

Picture LoadSprite(const std::string& name, bool font = false) {
    std::vector<uint8_t> b = Bytes(kData + "/" + name);
    Picture p;
    std::string error;
    EXPECT_TRUE(DecodeSprite(b, font, p, error)) << name << ": " << error;
    EXPECT_EQ(b.size(), 8 + size_t(p.img.w) * p.img.h * 3) << name << " has stray bytes";
    return p;
}

LevelData LoadLevel(int n) {
    char name[32];
    std::snprintf(name, sizeof name, "/Lvl%04d.ldf", n);
    LevelData lv;
    std::string error;
    EXPECT_TRUE(DecodeLevel(Bytes(kData + name), lv, error)) << name << ": " << error;
    return lv;
}

const char* const kIntro[] = {"logo1.spr", "logo2.spr"};
const char* const kMenu[] = {"logo.spr", "but1.spr", "but2.spr", "selleft.spr", "selrig.spr", "version.spr"};
const char* const kPlay[] = {"tbar.spr", "lives.spr", "pwrup_p.spr", "pwrup_r.spr", "pwrup_s.spr", "pwrup_m.spr",
                             "pwrup_f.spr", "pwrup_w.spr", "pwrup_a.spr", "pwrup_b.spr", "ship.spr", "shipl.spr",
                             "shipc.spr", "missile.spr", "ball.spr", "ballf.spr"};
const char* const kCapsules[] = {"pwrup_p.spr", "pwrup_r.spr", "pwrup_s.spr", "pwrup_m.spr",
                                 "pwrup_f.spr", "pwrup_w.spr", "pwrup_a.spr", "pwrup_b.spr"};

std::vector<PlacedPicture> Placed(const std::vector<const char*>& files) {
    std::vector<PlacedPicture> out;
    for (const char* f : files) {
        Picture p = LoadSprite(f);
        out.push_back({f, {p.x, p.y, p.img.w, p.img.h}});
    }
    Picture font = LoadSprite("font.spr", true);
    out.push_back({"font.spr", {font.x, font.y, font.img.w, font.img.h}});
    for (const PlacedPicture& r : FontRows(font.x, font.y)) out.push_back(r);
    return out;
}

bool AnyVisible(const Image& img, int x0, int y0, int w, int h) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            if (!IsTransparent(img.at(x, y))) return true;
    return false;
}

}  // namespace

TEST(ContentFiles, SpritesParseAndSitOnTheSheet) {
    std::vector<const char*> all(std::begin(kIntro), std::end(kIntro));
    all.insert(all.end(), std::begin(kMenu), std::end(kMenu));
    all.insert(all.end(), std::begin(kPlay), std::end(kPlay));
    for (const char* f : all) {
        Picture p = LoadSprite(f);
        EXPECT_GT(p.img.w, 0) << f;
        EXPECT_GT(p.img.h, 0) << f;
        EXPECT_LE(p.x + p.img.w, 800) << f;
        EXPECT_LE(p.y + p.img.h, 600) << f;
        EXPECT_TRUE(AnyVisible(p.img, 0, 0, p.img.w, p.img.h)) << f << " is blank";
    }
}

TEST(ContentFiles, ScreenPlacesAndSizes) {
    // Intro logos side by side on the screen, logo 1 clear of logo 2.
    Picture l1 = LoadSprite("logo1.spr"), l2 = LoadSprite("logo2.spr");
    EXPECT_LE(40 + l1.img.w, 220);
    EXPECT_LE(220 + l2.img.w, 800);
    EXPECT_LE(200 + std::max(l1.img.h, l2.img.h), 600);
    Picture logo = LoadSprite("logo.spr");
    EXPECT_LE(50 + logo.img.h, 250) << "the menu logo reaches the start button";
    EXPECT_LE(225 + logo.img.w, 800);
    Picture b1 = LoadSprite("but1.spr"), sl = LoadSprite("selleft.spr"), sr = LoadSprite("selrig.spr");
    EXPECT_LE(240 + sl.img.w, 270) << "the left selector covers the button";
    EXPECT_GE(545, 270 + b1.img.w) << "the right selector covers the button";
    EXPECT_LE(545 + sr.img.w, 800);
    Picture v = LoadSprite("version.spr");
    EXPECT_LE(540 + v.img.h, 600);
    // Ships: normal and cannon the same width, barrels at x + 6 and x + 49.
    Picture ship = LoadSprite("ship.spr"), shipl = LoadSprite("shipl.spr"), shipc = LoadSprite("shipc.spr");
    Picture missile = LoadSprite("missile.spr");
    EXPECT_EQ(ship.img.w, shipc.img.w);
    EXPECT_GT(shipl.img.w, ship.img.w);
    EXPECT_LE(550 + ship.img.h, 600);
    EXPECT_TRUE(AnyVisible(shipc.img, 6, 0, missile.img.w, 2)) << "no barrel under the left missile";
    EXPECT_TRUE(AnyVisible(shipc.img, 49, 0, missile.img.w, 2)) << "no barrel under the right missile";
    EXPECT_FALSE(AnyVisible(ship.img, 0, 0, ship.img.w, 1)) << "the normal ship should show no barrels";
}

TEST(ContentFiles, TransparencyAndSolidParts) {
    // Round things have transparent corners; the panel is opaque everywhere.
    for (const char* f : {"ball.spr", "ballf.spr"}) {
        Picture b = LoadSprite(f);
        EXPECT_TRUE(IsTransparent(b.img.at(0, 0))) << f;
        EXPECT_TRUE(IsTransparent(b.img.at(b.img.w - 1, b.img.h - 1))) << f;
        EXPECT_FALSE(IsTransparent(b.img.at(b.img.w / 2, b.img.h / 2))) << f;
    }
    Picture tbar = LoadSprite("tbar.spr");
    EXPECT_EQ(tbar.x, 550);
    EXPECT_EQ(tbar.y, 0);
    EXPECT_EQ(tbar.img.w, 250);
    EXPECT_EQ(tbar.img.h, 600);
    for (int y = 0; y < tbar.img.h; ++y)
        for (int x = 0; x < tbar.img.w; ++x)
            ASSERT_FALSE(IsTransparent(tbar.img.at(x, y))) << "panel pixel " << x << "," << y << " is keyed";
    // The score box (x 560-790, y 350-375) is one plain dark colour.
    const uint8_t* ref = tbar.img.at(560 - 550, 350);
    EXPECT_LT(int(ref[0]) + ref[1] + ref[2], 120) << "the score box should be dark";
    for (int y = 350; y < 375; ++y)
        for (int x = 560; x < 790; ++x)
            ASSERT_TRUE(std::equal(ref, ref + 3, tbar.img.at(x - 550, y))) << "score box not plain at " << x << "," << y;
    // Capsules: 14-18 high, narrower than every level's cell minus 6.
    int minCell = 1000;
    for (int n = 1; n <= 4; ++n) minCell = std::min(minCell, int(LoadLevel(n).cellWidth));
    std::set<std::vector<uint8_t>> looks;
    for (const char* f : kCapsules) {
        Picture c = LoadSprite(f);
        EXPECT_GE(c.img.h, 14) << f;
        EXPECT_LE(c.img.h, 18) << f;
        EXPECT_LE(c.img.w, minCell - 6) << f;
        looks.insert(c.img.rgb);
    }
    EXPECT_EQ(looks.size(), 8u) << "two capsules look the same";
}

TEST(ContentFiles, FontCellsHoldTheirGlyphs) {
    std::vector<uint8_t> b = Bytes(kData + "/font.spr");
    ASSERT_GE(b.size(), 8u);
    Picture f = LoadSprite("font.spr", true);
    EXPECT_EQ(f.x, 0) << "glyph row 2 starts at sheet x 0, so must the picture";
    EXPECT_EQ(f.img.w, 535);
    EXPECT_EQ(f.img.h, 48);
    EXPECT_LE(f.y + 48, 600);
    for (int g = 0; g < kGlyphCount; ++g) {
        GlyphRect r = GlyphAt(g, 0, 0);
        if (g != 71) {
            EXPECT_TRUE(AnyVisible(f.img, r.x, r.y, r.w, r.h)) << "glyph " << g << " is empty";
        }
    }
    // Edges are blended onto black without visible near-black specks.
    for (size_t i = 0; i < f.img.rgb.size(); i += 3) {
        const uint8_t* p = &f.img.rgb[i];
        bool zero = p[0] == 0 && p[1] == 0 && p[2] == 0;
        ASSERT_TRUE(zero || std::max({p[0], p[1], p[2]}) >= 20) << "near-black font pixel at " << i / 3;
    }
    // Digits and capitals stand on one baseline: their lowest ink row matches.
    auto lowest = [&](int g) {
        GlyphRect r = GlyphAt(g, 0, 0);
        for (int y = r.h - 1; y >= 0; --y)
            if (AnyVisible(f.img, r.x, r.y + y, r.w, 1)) return y;
        return -1;
    };
    int base = lowest(36);  // A
    for (int g : {0, 1, 5, 37, 40, 49, 59}) EXPECT_NEAR(lowest(g), base, 1) << "glyph " << g;
    // g, p, q, y are drawn 6 pixels lower: their bottoms sit 6 + descender above.
    EXPECT_LT(lowest(16), base) << "g must sit higher in its cell";
}

TEST(ContentFiles, LevelsFollowTheRules) {
    std::vector<std::vector<uint16_t>> layouts;
    int prevHits = 0;
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE("level " + std::to_string(n));
        LevelData lv = LoadLevel(n);
        EXPECT_EQ(lv.number, n);
        EXPECT_EQ(lv.blocksToClear, lv.BreakableBlocks());
        EXPECT_LE(lv.x + lv.columns * lv.cellWidth, 550);
        EXPECT_GE(lv.y, 40);
        EXPECT_LE(lv.y + lv.rows * lv.cellHeight, 300 + 100) << "grid too close to the ship";
        EXPECT_GE(lv.types.size(), 3u);
        bool multi = false, unbreakable = false;
        for (const BlockTypeData& t : lv.types) {
            multi |= t.hitsToBreak >= 2 && t.hitsToBreak <= 3;
            unbreakable |= t.hitsToBreak == 255;
            for (uint16_t v : t.frameValues) EXPECT_EQ(v, 0);
        }
        if (n >= 2) {
            EXPECT_TRUE(multi) << "multi-hit blocks from level 2";
        }
        if (n >= 3) {
            EXPECT_TRUE(unbreakable) << "unbreakable blocks from level 3";
        }
        // Hits needed to clear the level rise from level to level.
        int hits = 0;
        for (uint16_t c : lv.cells)
            if ((c & 0xFF) && lv.types[(c & 0xFF) - 1u].hitsToBreak != 255) hits += lv.types[(c & 0xFF) - 1u].hitsToBreak;
        EXPECT_GT(hits, prevHits);
        prevHits = hits;
        for (const auto& other : layouts) EXPECT_NE(other, lv.cells);
        layouts.push_back(lv.cells);
    }
    bool animated = false;
    for (int n = 1; n <= 4; ++n)
        for (const BlockTypeData& t : LoadLevel(n).types) animated |= t.frames.size() > 1;
    EXPECT_TRUE(animated) << "some block type should have several frames";
}

TEST(ContentFiles, SheetLayoutHoldsInEverySet) {
    // The intro set loads no font.
    std::vector<PlacedPicture> intro;
    for (const char* f : kIntro) {
        Picture x = LoadSprite(f);
        intro.push_back({f, {x.x, x.y, x.img.w, x.img.h}});
    }
    EXPECT_TRUE(CheckSet("intro", intro).empty());
    std::vector<std::string> menu = CheckSet("menu", Placed(std::vector<const char*>(std::begin(kMenu), std::end(kMenu))));
    EXPECT_TRUE(menu.empty()) << menu.front();
    Picture tbar = LoadSprite("tbar.spr");
    for (int n = 1; n <= 4; ++n) {
        std::vector<PlacedPicture> play = Placed(std::vector<const char*>(std::begin(kPlay), std::end(kPlay)));
        std::vector<PlacedPicture> frames = BlockFrameRects(LoadLevel(n), tbar.x, "level " + std::to_string(n));
        play.insert(play.end(), frames.begin(), frames.end());
        std::vector<std::string> probs = CheckSet("play", play);
        EXPECT_TRUE(probs.empty()) << probs.front();
    }
}

TEST(ContentFiles, HallOfFameRecords) {
    std::vector<uint8_t> b = Bytes(kData + "/hiscore.dat");
    ASSERT_EQ(b.size(), 280u);
    std::vector<HallOfFameEntry> e;
    std::string error;
    ASSERT_TRUE(DecodeHallOfFame(b, e, error)) << error;
    for (size_t k = 0; k < 10; ++k) {
        const uint8_t* rec = &b[k * 28];
        for (int j = 0; j < 10; ++j) EXPECT_EQ(rec[j], 0) << "mask byte";
        EXPECT_EQ(rec[10], 0);
        EXPECT_EQ(rec[23], 0);
        EXPECT_EQ(rec[24], 0);
        EXPECT_EQ(rec[25], 0);
        // Digits right-aligned, zero bytes (never '0' or spaces) before them.
        bool digits = false;
        for (int p = 11; p < 20; ++p) {
            if (rec[p]) digits = true;
            if (digits) {
                EXPECT_TRUE(rec[p] >= '0' && rec[p] <= '9');
            }
        }
        EXPECT_NE(rec[11], '0');
        EXPECT_EQ(e[k].score % 250, 0u);
        if (k) {
            EXPECT_LT(e[k].score, e[k - 1].score);
        }
        EXPECT_GE(e[k].level, 1u);
        EXPECT_LE(e[k].level, 4u);
        EXPECT_EQ(e[k].name.size(), 3u);
        for (char c : e[k].name) EXPECT_TRUE(IsWheelCharacter(c)) << c;
    }
}

TEST(ContentFormats, HallOfFameEncoding) {
    std::vector<HallOfFameEntry> e(10);
    e[0] = {1000, "AB", 7};
    e[1] = {999999999, "[_]", 12};
    e[2] = {250, " ", 100};
    std::vector<uint8_t> b;
    std::string error;
    ASSERT_TRUE(EncodeHallOfFame(e, b, error)) << error;
    const uint8_t want0[28] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, '1', '0', '0', '0', 'A', 'B', 0, 0, 0, 0, 0, '7'};
    EXPECT_TRUE(std::equal(want0, want0 + 28, b.begin()));
    EXPECT_EQ(b[28 + 26], '1');
    EXPECT_EQ(b[28 + 27], '2');
    for (int j = 24; j < 28; ++j) EXPECT_EQ(b[56 + j], 0) << "level 100 has no text";
    for (int j = 10; j < 20; ++j) EXPECT_EQ(b[84 + j], 0) << "an empty record has no digits";
    // Masked files read back to the plain text.
    std::vector<uint8_t> masked = b;
    for (int j = 0; j < 10; ++j) masked[size_t(j)] = uint8_t(3 + j);
    for (int j = 0; j < 10; ++j) masked[size_t(10 + j)] = uint8_t(masked[size_t(10 + j)] + 3 + j);
    for (int j = 0; j < 4; ++j) {
        masked[size_t(20 + j)] = uint8_t(masked[size_t(20 + j)] + 3 + j);
        masked[size_t(24 + j)] = uint8_t(masked[size_t(24 + j)] + 3 + j);
    }
    std::vector<HallOfFameEntry> back;
    ASSERT_TRUE(DecodeHallOfFame(masked, back, error));
    EXPECT_EQ(back[0].score, 1000u);
    EXPECT_EQ(back[0].name, "AB");
    EXPECT_EQ(back[0].level, 7u);
    EXPECT_EQ(back[1].score, 999999999u);
    // Refused: a name off the wheel, a too-long name, a score too large.
    e[3] = {5, "ab", 1};
    EXPECT_FALSE(EncodeHallOfFame(e, b, error));
    e[3] = {5, "ABCD", 1};
    EXPECT_FALSE(EncodeHallOfFame(e, b, error));
    e[3] = {1000000000u, "A", 1};
    EXPECT_FALSE(EncodeHallOfFame(e, b, error));
}
