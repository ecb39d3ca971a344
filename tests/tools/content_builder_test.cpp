// The content builder: deterministic output, and refusal of content that
// breaks the sheet layout or the level rules.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "tools/content/formats.h"
#include "tools/content/layout.h"
#include "tools/content_support.h"

namespace fs = std::filesystem;
using namespace content_test;
using namespace vxc;

namespace {

const std::string kAssets = std::string(VX_SOURCE_DIR) + "/assets/content";

// A private copy of the assets with one file's text edited.
fs::path AssetsWith(const std::string& name, const std::string& file, const std::string& from, const std::string& to) {
    fs::path dir = TempDir(name);
    fs::copy(kAssets, dir, fs::copy_options::recursive);
    fs::path target = dir / file;
    std::ifstream in(target);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    std::ofstream(target, std::ios::trunc) << text;
    return dir;
}

RunResult Build(const fs::path& assets, const fs::path& out) {
    fs::create_directories(out);
    return RunTool(std::string(VX_CONTENT_TOOL) + " --assets " + Quote(assets) + " --out " + Quote(out));
}

}  // namespace

TEST(ContentBuilder, TwoBuildsGiveTheSameBytes) {
    fs::path a = TempDir("a"), b = TempDir("b");
    RunResult ra = Build(kAssets, a), rb = Build(kAssets, b);
    ASSERT_EQ(ra.status, 0) << ra.output;
    ASSERT_EQ(rb.status, 0) << rb.output;
    int files = 0;
    for (const auto& e : fs::directory_iterator(a)) {
        ++files;
        std::string n = e.path().filename().string();
        EXPECT_EQ(Bytes(e.path()), Bytes(b / n)) << n << " differs between builds";
        EXPECT_EQ(Bytes(e.path()), Bytes(fs::path(VX_DATA_DIR) / n)) << n << " differs from the Data folder";
    }
    EXPECT_EQ(files, 30);
    fs::remove_all(a);
    fs::remove_all(b);
}

TEST(ContentBuilder, RefusesOverlappingPictures) {
    // The fire ball moved onto the normal ball.
    fs::path dir = AssetsWith("overlap", "pictures.txt", "ballf.spr    play     280  160", "ballf.spr    play     265  165");
    fs::path out = dir / "out";
    RunResult r = Build(dir, out);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("ball.spr overlaps ballf.spr"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(out / "ball.spr")) << "nothing is written when the layout is broken";
    fs::remove_all(dir);
}

TEST(ContentBuilder, RefusesPicturesOffTheSheet) {
    fs::path dir = AssetsWith("offsheet", "pictures.txt", "missile.spr  play     240  160", "missile.spr  play     798  160");
    RunResult r = Build(dir, dir / "out");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("missile.spr"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("outside the 800x600 sheet"), std::string::npos) << r.output;
    fs::remove_all(dir);
}

TEST(ContentBuilder, RefusesPicturesOnTheFontRows) {
    // Row 2 of the font runs from x 0 to 500 at y 576: the version plate may not sit there.
    fs::path dir = AssetsWith("fontrow", "pictures.txt", "version.spr  menu     360    0", "version.spr  menu     300  530");
    RunResult r = Build(dir, dir / "out");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("version.spr overlaps font.spr"), std::string::npos) << r.output;
    fs::remove_all(dir);
}

TEST(ContentBuilder, RefusesPicturesUnderTheBlockFrames) {
    // Level frames fill the sheet from (0, 0); a capsule placed there collides.
    fs::path dir = AssetsWith("blocks", "pictures.txt", "pwrup_p.spr  play       0  130", "pwrup_p.spr  play      60    4");
    RunResult r = Build(dir, dir / "out");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("pwrup_p.spr overlaps Lvl"), std::string::npos) << r.output;
    fs::remove_all(dir);
}

TEST(ContentBuilder, RefusesLevelsThatCannotBeFinished) {
    fs::path dir = AssetsWith("clear", "levels/Lvl0002.txt", "clear auto", "clear 500");
    RunResult r = Build(dir, dir / "out");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("Lvl0002.txt"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("breakable"), std::string::npos) << r.output;
    fs::remove_all(dir);
}

TEST(ContentBuilder, RefusesGridsUnderThePanel) {
    fs::path dir = AssetsWith("wide", "levels/Lvl0001.txt", "at 50 80", "at 120 80");
    RunResult r = Build(dir, dir / "out");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("play field"), std::string::npos) << r.output;
    fs::remove_all(dir);
}

TEST(ContentBuilder, UsageOnBadArguments) {
    RunResult r = RunTool(std::string(VX_CONTENT_TOOL) + " --bogus");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("usage"), std::string::npos);
    r = RunTool(std::string(VX_CONTENT_TOOL) + " --assets /nonexistent-folder --check");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("pictures.txt"), std::string::npos) << r.output;
}

TEST(ContentLayout, CheckerFindsOverlapsAndStrays) {
    std::vector<PlacedPicture> ok = {{"a.spr", {0, 0, 10, 10}}, {"b.spr", {10, 0, 10, 10}}, {"c.spr", {0, 10, 800, 590}}};
    EXPECT_TRUE(CheckSet("test", ok).empty()) << "touching edges do not overlap";
    std::vector<PlacedPicture> bad = {{"a.spr", {0, 0, 10, 10}}, {"b.spr", {9, 9, 10, 10}}, {"c.spr", {795, 595, 6, 5}}};
    std::vector<std::string> p = CheckSet("test", bad);
    ASSERT_EQ(p.size(), 2u);
    EXPECT_NE(p[0].find("c.spr"), std::string::npos);
    EXPECT_NE(p[1].find("a.spr overlaps b.spr"), std::string::npos);
}

TEST(ContentLayout, BlockFramesFollowTheLoader) {
    // Cells 64 wide, panel at 600: the frame at x 576 stays on row 1 (its right
    // edge passes the panel), the next wraps.
    LevelData lv;
    lv.cellWidth = 64;
    lv.cellHeight = 20;
    BlockTypeData t;
    t.frames.assign(10, Image(64, 20));
    t.frameValues.assign(10, 0);
    lv.types.push_back(t);
    std::vector<PlacedPicture> f = BlockFrameRects(lv, 600, "lv");
    ASSERT_EQ(f.size(), 10u);
    EXPECT_EQ(f[9].rect.x, 576);
    EXPECT_EQ(f[9].rect.y, 0);
    std::vector<PlacedPicture> g = BlockFrameRects(lv, 550, "lv");
    EXPECT_EQ(g[8].rect.x, 512);
    EXPECT_EQ(g[9].rect.x, 0);
    EXPECT_EQ(g[9].rect.y, 20);
    // A frame that runs under the panel is an overlap the checker reports.
    std::vector<PlacedPicture> set = f;
    set.push_back({"tbar.spr", {600, 0, 200, 600}});
    EXPECT_FALSE(CheckSet("play", set).empty());
}
