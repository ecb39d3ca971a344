// vx-content: builds the game's Data folder from assets/content.
//
//   vx-content --assets DIR --out DIR [--preview DIR] [--check]
//
// Reads pictures.txt (the picture list), levels/Lvl0001.txt ... (level maps)
// and hiscore.txt, checks every layout rule, then writes the sprite files,
// font.spr, the level files and hiscore.dat. Output is byte-identical from
// build to build. --check stops after the checks; --preview also writes PNG
// pictures of the intro, menu, hall of fame, name entry and each level.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tools/content/art.h"
#include "tools/content/fontgen.h"
#include "tools/content/formats.h"
#include "tools/content/layout.h"
#include "tools/content/levelmap.h"
#include "tools/content/manifest.h"
#include "tools/content/preview.h"

using namespace vxc;

namespace {


// Files each set loads; the builder insists on exactly these.
const char* const kIntroFiles[] = {"logo1.spr", "logo2.spr"};
const char* const kMenuFiles[] = {"logo.spr", "but1.spr", "but2.spr", "selleft.spr", "selrig.spr", "version.spr", "font.spr"};
const char* const kPlayFiles[] = {"tbar.spr", "lives.spr", "pwrup_p.spr", "pwrup_r.spr", "pwrup_s.spr", "pwrup_m.spr",
                                  "pwrup_f.spr", "pwrup_w.spr", "pwrup_a.spr", "pwrup_b.spr", "ship.spr", "shipl.spr",
                                  "shipc.spr", "missile.spr", "ball.spr", "ballf.spr", "font.spr"};

int Fail(const std::string& msg) {
    std::fprintf(stderr, "vx-content: %s\n", msg.c_str());
    return 1;
}

bool ParseHallOfFame(const std::string& text, std::vector<HallOfFameEntry>& out, std::string& error) {
    // Lines: score level name   (the name in double quotes when it holds a space)
    std::istringstream in(text);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        ++n;
        std::string body = line.substr(0, line.find('#'));
        std::istringstream ls(body);
        long score, level;
        if (!(ls >> score)) continue;
        std::string rest;
        if (!(ls >> level) || score < 0 || level < 0 || level > 99) {
            error = "hiscore.txt line " + std::to_string(n) + ": expected: score level name";
            return false;
        }
        std::getline(ls, rest);
        size_t a = rest.find_first_not_of(' ');
        rest = a == std::string::npos ? "" : rest.substr(a);
        while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\r')) rest.pop_back();
        if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
        out.push_back({uint32_t(score), rest, uint32_t(level)});
    }
    return true;
}

struct Options {
    std::string assets, out, preview;
    bool checkOnly = false;
};

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--assets" && i + 1 < argc) o.assets = argv[++i];
        else if (a == "--out" && i + 1 < argc) o.out = argv[++i];
        else if (a == "--preview" && i + 1 < argc) o.preview = argv[++i];
        else if (a == "--check") o.checkOnly = true;
        else {
            std::fprintf(stderr, "usage: vx-content --assets DIR --out DIR [--preview DIR] [--check]\n");
            return 2;
        }
    }
    if (o.assets.empty() || (o.out.empty() && !o.checkOnly)) {
        std::fprintf(stderr, "usage: vx-content --assets DIR --out DIR [--preview DIR] [--check]\n");
        return 2;
    }
    std::string error;
    std::vector<uint8_t> bytes;

    // The picture list.
    std::vector<PictureRecipe> recipes;
    if (!ReadFileBytes(o.assets + "/pictures.txt", bytes, error)) return Fail(error);
    if (!ParseManifest(std::string(bytes.begin(), bytes.end()), recipes, error)) return Fail(error);
    std::map<std::string, const PictureRecipe*> byFile;
    for (const PictureRecipe& s : recipes) byFile[s.file] = &s;
    auto need = [&](const char* file, const char* set) -> const PictureRecipe* {
        auto it = byFile.find(file);
        if (it == byFile.end() || !it->second->InSet(set)) return nullptr;
        return it->second;
    };
    for (const char* f : kIntroFiles) if (!need(f, "intro")) return Fail(std::string("pictures.txt: ") + f + " missing from the intro set");
    for (const char* f : kMenuFiles) if (!need(f, "menu")) return Fail(std::string("pictures.txt: ") + f + " missing from the menu set");
    for (const char* f : kPlayFiles) if (!need(f, "play")) return Fail(std::string("pictures.txt: ") + f + " missing from the play set");
    const PictureRecipe& tbar = *byFile["tbar.spr"];
    const PictureRecipe& font = *byFile["font.spr"];
    if (font.kind != "font") return Fail("font.spr must be of kind font");

    // Pictures the game places at fixed screen positions must fit the screen there.
    struct ScreenPlace { const char* file; int x, y; };
    // The selector arrows are checked at the lower button, the lives icon at the last life's place.
    const int selectorLowY = MenuSelectorLeftAt.y + MenuButtonStep;
    const ScreenPlace places[] = {{"logo1.spr", IntroLogo1At.x, IntroLogo1At.y}, {"logo2.spr", IntroLogo2At.x, IntroLogo2At.y},
                                  {"logo.spr", MenuLogoAt.x, MenuLogoAt.y}, {"version.spr", MenuVersionAt.x, MenuVersionAt.y},
                                  {"but1.spr", MenuStartButtonAt.x, MenuStartButtonAt.y}, {"but2.spr", MenuQuitButtonAt.x, MenuQuitButtonAt.y},
                                  {"selleft.spr", MenuSelectorLeftAt.x, selectorLowY}, {"selrig.spr", MenuSelectorRightAt.x, selectorLowY},
                                  {"lives.spr", LivesIconAt.x + LivesIconStep * (StartingLives - 1), LivesIconAt.y}};
    const std::string screen = std::to_string(ScreenWidth) + "x" + std::to_string(ScreenHeight);
    for (const ScreenPlace& p : places) {
        const PictureRecipe& s = *byFile[p.file];
        if (p.x + s.w > ScreenWidth || p.y + s.h > ScreenHeight)
            return Fail(std::string(p.file) + ": " + std::to_string(s.w) + "x" + std::to_string(s.h) + " drawn at (" + std::to_string(p.x) +
                        ", " + std::to_string(p.y) + ") runs off the " + screen + " screen");
    }
    const int logo1Room = IntroLogo2At.x - IntroLogo1At.x;
    if (byFile["logo1.spr"]->w > logo1Room)
        return Fail("logo1.spr: wider than " + std::to_string(logo1Room) + " pixels, it would cover logo2.spr on the intro screen");
    const int logoRoom = MenuStartButtonAt.y - MenuLogoAt.y;
    if (byFile["logo.spr"]->h > logoRoom)
        return Fail("logo.spr: taller than " + std::to_string(logoRoom) + " pixels, it would cover the start button");
    // The side panel is drawn at its own place and must hold the lives row and the score box.
    if (tbar.x > ScoreBoxLeft || tbar.y > LivesIconAt.y || tbar.x + tbar.w < ScoreBoxRight || tbar.y + tbar.h < ScoreBoxBottom)
        return Fail("tbar.spr: the side panel must cover the lives row (y " + std::to_string(LivesIconAt.y) + " from x " +
                    std::to_string(LivesIconAt.x) + ") and the score box (x " + std::to_string(ScoreBoxLeft) + "-" +
                    std::to_string(ScoreBoxRight) + ", y " + std::to_string(ScoreBoxTop) + "-" + std::to_string(ScoreBoxBottom) + ")");
    if (tbar.x < PlayFieldRight)
        return Fail("tbar.spr: the side panel starts left of x " + std::to_string(PlayFieldRight) + ", inside the play field");
    const PictureRecipe& ship = *byFile["ship.spr"];
    const PictureRecipe& shipc = *byFile["shipc.spr"];
    const PictureRecipe& missile = *byFile["missile.spr"];
    if (shipc.w < RightBarrelX + missile.w)
        return Fail("shipc.spr: too narrow for its right barrel at x + " + std::to_string(RightBarrelX));
    if (ship.y + ship.h > ScreenHeight || ShipStartAt.y + ship.h > ScreenHeight)
        return Fail("ship.spr: the ship at y " + std::to_string(ShipStartAt.y) + " runs off the screen");

    // Levels.
    std::vector<LevelData> levels(LastLevel);
    int minCell = 1 << 30;
    for (int i = 0; i < LastLevel; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Lvl%04d.txt", i + 1);
        std::string path = o.assets + "/levels/" + name;
        LevelData& lv = levels[size_t(i)];
        if (!ReadLevelMap(path, lv, error)) return Fail(error);
        std::string ln = name;
        if (lv.number != i + 1) return Fail(ln + ": level number " + std::to_string(lv.number) + ", the file is level " + std::to_string(i + 1));
        if (lv.x + lv.columns * lv.cellWidth > tbar.x)
            return Fail(ln + ": the grid reaches x " + std::to_string(lv.x + lv.columns * lv.cellWidth) + ", past the play field (x 0 to " + std::to_string(tbar.x) + ")");
        if (lv.y + lv.rows * lv.cellHeight > 420)
            return Fail(ln + ": the grid reaches y " + std::to_string(lv.y + lv.rows * lv.cellHeight) + ", too close to the ship (keep it above y 420)");
        if (lv.blocksToClear != lv.BreakableBlocks())
            return Fail(ln + ": clear is " + std::to_string(lv.blocksToClear) + " but the level has " + std::to_string(lv.BreakableBlocks()) +
                        " breakable blocks: it could never be finished");
        if (lv.BreakableBlocks() == 0) return Fail(ln + ": no breakable blocks");
        minCell = std::min(minCell, int(lv.cellWidth));
        std::vector<uint8_t> enc;
        if (!EncodeLevel(lv, enc, error)) return Fail(ln + ": " + error);
    }
    for (const char* cap : {"pwrup_p.spr", "pwrup_r.spr", "pwrup_s.spr", "pwrup_m.spr", "pwrup_f.spr", "pwrup_w.spr", "pwrup_a.spr", "pwrup_b.spr"})
        if (byFile[cap]->w > minCell - 6)
            return Fail(std::string(cap) + ": " + std::to_string(byFile[cap]->w) + " wide; capsules start 3 pixels into a cell and must stay narrower than the smallest cell (" +
                        std::to_string(minCell) + ") minus 6");

    // The sheet layout of every set.
    std::vector<std::string> problems;
    auto place = [&](const char* set, const std::vector<std::string>& files, std::vector<PlacedPicture> extra) {
        std::vector<PlacedPicture> pics;
        for (const std::string& f : files) {
            const PictureRecipe& s = *byFile[f];
            pics.push_back({f, {s.x, s.y, s.w, s.h}});
        }
        if (std::find(files.begin(), files.end(), "font.spr") != files.end())
            for (const PlacedPicture& r : FontRows(font.x, font.y)) pics.push_back(r);
        pics.insert(pics.end(), extra.begin(), extra.end());
        std::vector<std::string> p = CheckSet(set, pics);
        problems.insert(problems.end(), p.begin(), p.end());
    };
    // Pictures listed beyond the fixed files still take space in their sets.
    auto setFiles = [&](const char* set) {
        std::vector<std::string> v;
        for (const PictureRecipe& s : recipes) if (s.InSet(set)) v.push_back(s.file);
        return v;
    };
    place("intro", setFiles("intro"), {});
    place("menu", setFiles("menu"), {});
    // The block area: the level whose frames need the most room.
    size_t most = 0, mostFrames = 0;
    for (size_t i = 0; i < levels.size(); ++i) {
        std::vector<PlacedPicture> f = BlockFrameRects(levels[i], tbar.x, "");
        int bottom = 0;
        for (const PlacedPicture& p : f) bottom = std::max(bottom, p.rect.y + p.rect.h);
        if (size_t(bottom) > mostFrames) { mostFrames = size_t(bottom); most = i; }
    }
    for (size_t i = 0; i < levels.size(); ++i) {
        char ln[32];
        std::snprintf(ln, sizeof ln, "Lvl%04zu.ldf", i + 1);
        // Every level is checked; the one needing most rows decides in practice.
        std::vector<std::string> before = problems;
        place("play", setFiles("play"), BlockFrameRects(levels[i], tbar.x, ln));
        if (i != most) {
            // Report a set problem once, not once per level, unless a level adds its own.
            std::vector<std::string> added(problems.begin() + long(before.size()), problems.end());
            problems = before;
            for (const std::string& s : added)
                if (s.find(".ldf") != std::string::npos) problems.push_back(s);
        }
    }
    if (!problems.empty()) {
        for (const std::string& p : problems) std::fprintf(stderr, "vx-content: %s\n", p.c_str());
        return Fail("the picture sheet layout is broken; nothing was written");
    }

    // Hall of fame.
    std::vector<HallOfFameEntry> hof;
    if (!ReadFileBytes(o.assets + "/hiscore.txt", bytes, error)) return Fail(error);
    if (!ParseHallOfFame(std::string(bytes.begin(), bytes.end()), hof, error)) return Fail(error);
    for (size_t i = 0; i < hof.size(); ++i) {
        if (hof[i].score % 250 != 0) return Fail("hiscore.txt: score " + std::to_string(hof[i].score) + " is not a multiple of 250 (a block scores 250)");
        if (i && hof[i].score > hof[i - 1].score) return Fail("hiscore.txt: scores must be in decreasing order, best first");
        if (hof[i].level < 1 || hof[i].level > LastLevel) return Fail("hiscore.txt: level " + std::to_string(hof[i].level) + " is not 1 to 4");
    }
    std::vector<uint8_t> hofBytes;
    if (!EncodeHallOfFame(hof, hofBytes, error)) return Fail("hiscore.txt: " + error);

    if (o.checkOnly) {
        std::printf("vx-content: layout and levels are sound\n");
        return 0;
    }

    // Drawing.
    std::string boldPath = FindDejaVu("DejaVuSans-Bold.ttf"), regularPath = FindDejaVu("DejaVuSans.ttf");
    if (boldPath.empty() || regularPath.empty())
        return Fail("DejaVu Sans (DejaVuSans-Bold.ttf, DejaVuSans.ttf) not found; install the Debian package fonts-dejavu-core");
    std::unique_ptr<Font> bold = Font::Open(boldPath, error);
    if (!bold) return Fail(error);
    std::unique_ptr<Font> regular = Font::Open(regularPath, error);
    if (!regular) return Fail(error);
    ArtFonts fonts{bold.get(), regular.get()};

    BuiltContent built;
    for (const PictureRecipe& s : recipes) {
        Picture pic{s.x, s.y, {}};
        bool ok = s.kind == "font" ? RenderFontPicture(s, *bold, pic.img, error) : RenderPicture(s, fonts, pic.img, error);
        if (!ok) return Fail(error);
        if (pic.img.w != s.w || pic.img.h != s.h) return Fail(s.file + ": recipe drew the wrong size");
        if (!WriteFileBytes(o.out + "/" + s.file, EncodeSprite(pic, s.kind == "font"), error)) return Fail(error);
        built.pictures[s.file] = std::move(pic);
    }
    for (int i = 0; i < LastLevel; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Lvl%04d.ldf", i + 1);
        std::vector<uint8_t> enc;
        if (!EncodeLevel(levels[size_t(i)], enc, error)) return Fail(std::string(name) + ": " + error);
        if (!WriteFileBytes(o.out + "/" + name, enc, error)) return Fail(error);
    }
    if (!WriteFileBytes(o.out + "/hiscore.dat", hofBytes, error)) return Fail(error);
    built.levels = levels;
    built.hallOfFame = hofBytes;
    if (!o.preview.empty() && !WritePreviews(built, o.preview, error)) return Fail(error);
    return 0;
}
