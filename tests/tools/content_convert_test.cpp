// The modders' converters: round trips, usage and refusal of bad files.
#include <gtest/gtest.h>

#include <fstream>

#include "tools/content/formats.h"
#include "tools/content/levelmap.h"
#include "tools/content_support.h"

namespace fs = std::filesystem;
using namespace content_test;
using namespace vxc;

namespace {

void WriteBytes(const fs::path& p, const std::vector<uint8_t>& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

Image Pattern(int w, int h) {
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.set(x, y, uint8_t(x * 9), uint8_t(y * 13), uint8_t((x ^ y) * 7));
    return img;
}

}  // namespace

TEST(ContentConvert, PngToSpriteAndBack) {
    fs::path d = TempDir("png");
    std::string error;
    Image img = Pattern(23, 11);
    ASSERT_TRUE(WritePng((d / "in.png").string(), img, error)) << error;
    RunResult r = RunTool(Converter("png2spr") + " " + Quote(d / "in.png") + " " + Quote(d / "a.spr") + " --at 10,20");
    ASSERT_EQ(r.status, 0) << r.output;
    std::vector<uint8_t> spr = Bytes(d / "a.spr");
    ASSERT_EQ(spr.size(), 8u + 23 * 11 * 3);
    EXPECT_EQ(spr[0] | spr[1] << 8, 23);
    EXPECT_EQ(spr[2] | spr[3] << 8, 11);
    EXPECT_EQ(spr[4] | spr[5] << 8, 10);
    EXPECT_EQ(spr[6] | spr[7] << 8, 20);
    EXPECT_EQ(spr[8], img.at(0, 0)[2]) << "pixels are blue, green, red";
    r = RunTool(Converter("spr2png") + " " + Quote(d / "a.spr") + " " + Quote(d / "out.png"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("23x11 at 10,20"), std::string::npos) << r.output;
    Image back;
    ASSERT_TRUE(ReadPng((d / "out.png").string(), back, error)) << error;
    EXPECT_EQ(back.w, 23);
    EXPECT_EQ(back.rgb, img.rgb);
    // The font file's header order is x, y, width, height.
    r = RunTool(Converter("png2spr") + " " + Quote(d / "in.png") + " " + Quote(d / "f.spr") + " --at 0,552 --font");
    ASSERT_EQ(r.status, 0) << r.output;
    std::vector<uint8_t> f = Bytes(d / "f.spr");
    EXPECT_EQ(f[0] | f[1] << 8, 0);
    EXPECT_EQ(f[2] | f[3] << 8, 552);
    EXPECT_EQ(f[4] | f[5] << 8, 23);
    r = RunTool(Converter("spr2png") + " --font " + Quote(d / "f.spr") + " " + Quote(d / "f.png"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("at 0,552"), std::string::npos) << r.output;
    // The shipped font converts too.
    r = RunTool(Converter("spr2png") + " --font " + Quote(fs::path(VX_DATA_DIR) / "font.spr") + " " + Quote(d / "font.png"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("535x48 at 0,552"), std::string::npos) << r.output;
    fs::remove_all(d);
}

TEST(ContentConvert, SpriteConvertersRefuseBadInput) {
    fs::path d = TempDir("badspr");
    RunResult r = RunTool(Converter("spr2png"));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("usage"), std::string::npos);
    r = RunTool(Converter("png2spr") + " a.png b.spr");
    EXPECT_EQ(r.status, 2) << "the sheet position is required";
    r = RunTool(Converter("png2spr") + " a.png b.spr --at 10");
    EXPECT_EQ(r.status, 2);
    // A header promising more pixels than the file holds.
    WriteBytes(d / "short.spr", {100, 0, 100, 0, 0, 0, 0, 0, 1, 2, 3});
    r = RunTool(Converter("spr2png") + " " + Quote(d / "short.spr") + " " + Quote(d / "o.png"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("too short"), std::string::npos) << r.output;
    WriteBytes(d / "tiny.spr", {1, 0, 1});
    r = RunTool(Converter("spr2png") + " " + Quote(d / "tiny.spr") + " " + Quote(d / "o.png"));
    EXPECT_EQ(r.status, 1);
    r = RunTool(Converter("spr2png") + " " + Quote(d / "missing.spr") + " " + Quote(d / "o.png"));
    EXPECT_EQ(r.status, 1);
    // Not a PNG; a PNG that would not fit the sheet where asked.
    WriteBytes(d / "bogus.png", {'n', 'o', 'p', 'e'});
    r = RunTool(Converter("png2spr") + " " + Quote(d / "bogus.png") + " " + Quote(d / "o.spr") + " --at 0,0");
    EXPECT_EQ(r.status, 1);
    std::string error;
    ASSERT_TRUE(WritePng((d / "big.png").string(), Pattern(30, 30), error));
    r = RunTool(Converter("png2spr") + " " + Quote(d / "big.png") + " " + Quote(d / "o.spr") + " --at 780,0");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("800x600"), std::string::npos) << r.output;
    fs::remove_all(d);
}

TEST(ContentConvert, LevelToTextAndBack) {
    for (int n = 1; n <= 4; ++n) {
        fs::path d = TempDir("lvl");
        char name[32];
        std::snprintf(name, sizeof name, "Lvl%04d.ldf", n);
        fs::path src = fs::path(VX_DATA_DIR) / name;
        RunResult r = RunTool(Converter("level2txt") + " " + Quote(src) + " " + Quote(d / "map.txt"));
        ASSERT_EQ(r.status, 0) << r.output;
        r = RunTool(Converter("txt2level") + " " + Quote(d / "map.txt") + " " + Quote(d / "back.ldf"));
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(Bytes(d / "back.ldf"), Bytes(src)) << name << " does not survive the round trip";
        // And the text itself is stable: text -> level -> text is the same text.
        r = RunTool(Converter("level2txt") + " " + Quote(d / "back.ldf") + " " + Quote(d / "map2.txt"));
        ASSERT_EQ(r.status, 0) << r.output;
        std::vector<uint8_t> t1 = Bytes(d / "map.txt"), t2 = Bytes(d / "map2.txt");
        std::string s1(t1.begin(), t1.end()), s2(t2.begin(), t2.end());
        // The PNG names follow the map's name; compare with it replaced.
        for (size_t at; (at = s2.find("map2_")) != std::string::npos;) s2.replace(at, 5, "map_");
        EXPECT_EQ(s1, s2);
        fs::remove_all(d);
    }
}

TEST(ContentConvert, TextMapKeepsHitsTakenAndFrameValues) {
    fs::path d = TempDir("map");
    const std::string text =
        "level 3\ngrid 3 2\nat 100 50\ncell 40 18\nclear 2\n"
        "block A hits 1 brick ff0000\n"
        "block B hits 255 steel 505870 values 9\n"
        "block C hits 2 crystal 00ffff frames 2 values 4 5\n"
        "map\nA . B\nC . .\ntaken 1 0 1\n";
    std::ofstream(d / "m.txt") << text;
    RunResult r = RunTool(Converter("txt2level") + " " + Quote(d / "m.txt") + " " + Quote(d / "m.ldf"));
    ASSERT_EQ(r.status, 0) << r.output;
    LevelData lv;
    std::string error;
    ASSERT_TRUE(DecodeLevel(Bytes(d / "m.ldf"), lv, error)) << error;
    EXPECT_EQ(lv.number, 3);
    EXPECT_EQ(lv.blocksToClear, 2);
    EXPECT_EQ(lv.BreakableBlocks(), 2);
    ASSERT_EQ(lv.types.size(), 3u);
    EXPECT_EQ(lv.types[1].hitsToBreak, 255);
    EXPECT_EQ(lv.types[1].frameValues, std::vector<uint16_t>{9});
    EXPECT_EQ(lv.types[2].frames.size(), 2u);
    EXPECT_EQ(lv.types[2].frameValues, (std::vector<uint16_t>{4, 5}));
    EXPECT_EQ(lv.cells, (std::vector<uint16_t>{1, 0, 2, 0x0103, 0, 0}));
    EXPECT_NE(lv.types[2].frames[0].rgb, lv.types[2].frames[1].rgb) << "crystal frames should differ";
    r = RunTool(Converter("level2txt") + " " + Quote(d / "m.ldf") + " " + Quote(d / "n.txt"));
    ASSERT_EQ(r.status, 0) << r.output;
    r = RunTool(Converter("txt2level") + " " + Quote(d / "n.txt") + " " + Quote(d / "n.ldf"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(Bytes(d / "n.ldf"), Bytes(d / "m.ldf"));
    fs::remove_all(d);
}

TEST(ContentConvert, LevelConvertersRefuseBadInput) {
    fs::path d = TempDir("badlvl");
    EXPECT_EQ(RunTool(Converter("level2txt")).status, 2);
    EXPECT_EQ(RunTool(Converter("txt2level") + " only-one").status, 2);
    struct Case { const char* text; const char* message; };
    const Case cases[] = {
        {"level 1\ngrid 2 1\ncell 10 10\nblock A hits 1 brick ff0000\nmap\nA Z\n", "unknown block symbol Z"},
        {"level 1\ngrid 2 2\ncell 10 10\nblock A hits 1 brick ff0000\nmap\nA A\n", "map has 1 rows"},
        {"level 1\ngrid 2 1\ncell 10 10\nblock A hits 1 marble ff0000\nmap\nA A\n", "unknown word \"marble\""},
        {"level 1\ngrid 2 1\ncell 10 10\nblock A brick ff0000\nmap\nA A\n", "block needs hits"},
        {"level 1\ngrid 50 50\n", "at most 1000 cells"},
        {"level 1\ngrid 1 1\ncell 10 10\nblock A hits 1 png nothere.png\nmap\nA\n", "nothere.png"},
    };
    for (const Case& c : cases) {
        std::ofstream(d / "bad.txt", std::ios::trunc) << c.text;
        RunResult r = RunTool(Converter("txt2level") + " " + Quote(d / "bad.txt") + " " + Quote(d / "bad.ldf"));
        EXPECT_EQ(r.status, 1) << c.text;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
    }
    // Every truncation of a real level file is refused, never read past its end.
    std::vector<uint8_t> full = Bytes(fs::path(VX_DATA_DIR) / "Lvl0001.ldf");
    ASSERT_GT(full.size(), 100u);
    for (size_t len : {size_t(0), size_t(3), size_t(29), size_t(31), size_t(40), full.size() / 2, full.size() - 1}) {
        std::vector<uint8_t> part(full.begin(), full.begin() + long(len));
        LevelData lv;
        std::string error;
        EXPECT_FALSE(DecodeLevel(part, lv, error)) << len;
        EXPECT_FALSE(error.empty());
    }
    WriteBytes(d / "cut.ldf", std::vector<uint8_t>(full.begin(), full.begin() + 200));
    RunResult r = RunTool(Converter("level2txt") + " " + Quote(d / "cut.ldf") + " " + Quote(d / "cut.txt"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("ends inside"), std::string::npos) << r.output;
    // A cell naming a block type that does not exist.
    std::vector<uint8_t> wrong = full;
    wrong[wrong.size() - 2] = 40;
    LevelData lv;
    std::string error;
    EXPECT_FALSE(DecodeLevel(wrong, lv, error));
    fs::remove_all(d);
}

TEST(ContentConvert, ScreenshotToPng) {
    fs::path d = TempDir("raw");
    std::vector<uint8_t> raw(800 * 600 * 3);
    for (size_t i = 0; i < raw.size(); ++i) raw[i] = uint8_t((i * 31) & 0xF8);
    WriteBytes(d / "Screen001.raw", raw);
    RunResult r = RunTool(Converter("raw2png") + " " + Quote(d / "Screen001.raw") + " " + Quote(d / "shot.png"));
    ASSERT_EQ(r.status, 0) << r.output;
    Image img;
    std::string error;
    ASSERT_TRUE(ReadPng((d / "shot.png").string(), img, error)) << error;
    EXPECT_EQ(img.w, 800);
    EXPECT_EQ(img.h, 600);
    EXPECT_EQ(img.rgb, raw) << "bytes are red, green, blue, rows top to bottom";
    raw.pop_back();
    WriteBytes(d / "short.raw", raw);
    r = RunTool(Converter("raw2png") + " " + Quote(d / "short.raw") + " " + Quote(d / "x.png"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("1440000"), std::string::npos) << r.output;
    EXPECT_EQ(RunTool(Converter("raw2png") + " one").status, 2);
    fs::remove_all(d);
}
