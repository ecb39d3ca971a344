// The two asset sets: loading order, the sprite records each file fills, the
// messages of the menu set, the play set's own loader messages, and the sheet
// left unlocked on every path but a failed lock.
#include <cstring>

#include "data_bench.h"
#include "game/data/data.h"
#include "pf/ddraw.h"
#include "platform/core/backend.h"

using namespace datatest;

namespace {

struct Picture {
    const char* file;
    Sprite place;  // width, height, x, y
};

const Picture MenuPictures[] = {
    {"logo.spr", {8, 4, 100, 10}},   {"but1.spr", {6, 3, 100, 20}},
    {"but2.spr", {6, 3, 100, 30}},   {"selleft.spr", {2, 2, 100, 40}},
    {"selrig.spr", {2, 2, 100, 50}}, {"version.spr", {5, 1, 100, 60}},
};

const Picture PlayPictures[] = {
    {"tbar.spr", {200, 3, 600, 0}},  {"lives.spr", {4, 4, 700, 100}},
    {"pwrup_p.spr", {3, 2, 10, 300}}, {"pwrup_r.spr", {3, 2, 20, 300}},
    {"pwrup_s.spr", {3, 2, 30, 300}}, {"pwrup_m.spr", {3, 2, 40, 300}},
    {"pwrup_f.spr", {3, 2, 50, 300}}, {"pwrup_w.spr", {3, 2, 60, 300}},
    {"pwrup_a.spr", {3, 2, 70, 300}}, {"pwrup_b.spr", {3, 2, 80, 300}},
    {"ship.spr", {9, 2, 10, 400}},    {"shipl.spr", {12, 2, 30, 400}},
    {"shipc.spr", {9, 3, 50, 400}},   {"missile.spr", {1, 4, 70, 400}},
    {"ball.spr", {3, 3, 10, 450}},    {"ballf.spr", {3, 3, 20, 450}},
};

class AssetSetTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        Unlock();
        for (const Picture& p : MenuPictures) WritePicture(p);
        for (const Picture& p : PlayPictures) WritePicture(p);
        WriteData("font.spr", FontFile(0, 560, 535, 40));
        WriteData("hiscore.dat", Bytes(280, 0));
        LevelRecipe level;
        level.x = 0;
        level.y = 100;
        level.cellWidth = 20;
        level.cellHeight = 10;
        WriteData("Lvl0001.ldf", LevelFile(level));
    }
    void WritePicture(const Picture& p) {
        WriteData(p.file, SpriteFile(p.place.width, p.place.height, p.place.x, p.place.y));
    }
    static bool Same(const Sprite& a, const Sprite& b) {
        return a.width == b.width && a.height == b.height && a.x == b.x && a.y == b.y;
    }
    // The sheet is unlocked when a fresh lock succeeds.
    bool SheetUnlocked() {
        pf::DDSURFACEDESC desc = {};
        desc.dwSize = sizeof desc;
        if (pf::Surface_Lock(OffscreenSurface, nullptr, &desc, 0, nullptr) != pf::DD_OK) return false;
        pf::Surface_Unlock(OffscreenSurface, nullptr);
        return true;
    }
};

TEST_F(AssetSetTest, MenuSetLoadsWholeAfterReleasingTheLevel) {
    Lock();
    TbarSprite = {200, 3, 600, 0};
    ASSERT_EQ(ReadLevelData(1), 1);
    Unlock();
    MenuShowing = 0;
    AttractTimer = 77;
    HallOfFame[0].name[0] = 'Q';

    ASSERT_EQ(ReadMenuData(), 1) << Error();
    EXPECT_EQ(LayoutArrayMemory, nullptr);
    EXPECT_EQ(BlockTypesMemory, nullptr);
    EXPECT_TRUE(Same(LogoSprite, MenuPictures[0].place));
    EXPECT_TRUE(Same(But1Sprite, MenuPictures[1].place));
    EXPECT_TRUE(Same(But2Sprite, MenuPictures[2].place));
    EXPECT_TRUE(Same(SelLeftSprite, MenuPictures[3].place));
    EXPECT_TRUE(Same(SelRightSprite, MenuPictures[4].place));
    EXPECT_TRUE(Same(VersionSprite, MenuPictures[5].place));
    EXPECT_EQ(Glyphs[39].y, 584);
    EXPECT_EQ(HallOfFame[0].name[0], 0);
    EXPECT_EQ(HallOfFameRead, 1);
    EXPECT_EQ(MenuShowing, 1);
    EXPECT_EQ(AttractTimer, 0);
    EXPECT_TRUE(SheetUnlocked());
    EXPECT_EQ(Sheet(100, 10), PatternPixel(0));
    EXPECT_EQ(FatalError, 0);
}

TEST_F(AssetSetTest, EachMissingMenuFileHasItsMessage) {
    const std::pair<const char*, const char*> cases[] = {
        {"logo.spr", "[ReadMenuData] Unable to open file logo.spr\n"},
        {"but1.spr", "[ReadMenuData] Unable to open file but1.spr\n"},
        {"but2.spr", "[ReadMenuData] Unable to open file but2.spr\n"},
        {"selleft.spr", "[ReadMenuData] Unable to open file selleft.spr\n"},
        {"selrig.spr", "[ReadMenuData] Unable to open file selright.spr\n"},
        {"version.spr", "[ReadMenuData] Unable to open file version.spr\n"},
        {"font.spr", "[ReadMenuData] Unable to open file font.spr\n"},
    };
    for (const auto& [file, message] : cases) {
        const Bytes kept = ReadData(file);
        RemoveData(file);
        MenuShowing = 0;
        EXPECT_EQ(ReadMenuData(), 0) << file;
        EXPECT_EQ(Error(), message);
        EXPECT_EQ(FatalError, 1);
        EXPECT_EQ(MenuShowing, 0);
        EXPECT_TRUE(SheetUnlocked()) << file;
        WriteData(file, kept);
    }
    // Whatever went wrong inside the step, the step's message stands.
    WriteData("but2.spr", SpriteFile(2, 2, 799, 0));
    EXPECT_EQ(ReadMenuData(), 0);
    EXPECT_EQ(Error(), "[ReadMenuData] Unable to open file but2.spr\n");
}

TEST_F(AssetSetTest, MissingHallOfFameFailsAfterThePicturesAndTheUnlock) {
    RemoveData("hiscore.dat");
    EXPECT_EQ(ReadMenuData(), 0);
    EXPECT_EQ(Error(), "[ReadMenuData] Unable to open file hiscore.dat\n");
    EXPECT_TRUE(Same(VersionSprite, MenuPictures[5].place));
    EXPECT_EQ(Glyphs[71].x, 483);
    EXPECT_TRUE(SheetUnlocked());
    EXPECT_EQ(HallOfFameRead, 0);
}

TEST_F(AssetSetTest, LockFailuresHaveTheirSetsMessage) {
    pf::core::AddFault("Surface_Lock", 1, pf::DDERR_GENERIC);
    EXPECT_EQ(ReadMenuData(), 0);
    EXPECT_EQ(Error(), "[ReadMenuData] Unable to lock offscreen surface\n");
    pf::core::ClearFaults();
    pf::core::AddFault("Surface_Lock", 1, pf::DDERR_SURFACELOST);
    EXPECT_EQ(ReadGameData(), 0);
    EXPECT_EQ(Error(), "[ReadGameData] Unable to lock offscreen surface\n");
    EXPECT_EQ(TbarSprite.width, 0);
}

TEST_F(AssetSetTest, PlaySetFillsEveryRecordAndTheLevel) {
    const Sprite other = {1, 1, 1, 1};
    CurrentShipSprite = &other;
    CurrentBallSprite = &other;
    CurrentLevel = 1;
    ASSERT_EQ(ReadGameData(), 1) << Error();
    EXPECT_TRUE(Same(TbarSprite, PlayPictures[0].place));
    EXPECT_TRUE(Same(LivesSprite, PlayPictures[1].place));
    // capsule slots: p r s m f, then w into slot 7, a into 5, b into 6
    const int slots[] = {0, 1, 2, 3, 4, 7, 5, 6};
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(Same(PowerUpSprites[slots[i]], PlayPictures[2 + i].place)) << i;
    EXPECT_TRUE(Same(ShipSprite, PlayPictures[10].place));
    EXPECT_TRUE(Same(ShipLSprite, PlayPictures[11].place));
    EXPECT_TRUE(Same(ShipCSprite, PlayPictures[12].place));
    EXPECT_TRUE(Same(MissileSprite, PlayPictures[13].place));
    EXPECT_TRUE(Same(BallSprite, PlayPictures[14].place));
    EXPECT_TRUE(Same(BallFSprite, PlayPictures[15].place));
    EXPECT_EQ(CurrentShipSprite, &ShipSprite);
    EXPECT_EQ(CurrentBallSprite, &BallSprite);
    EXPECT_EQ(Glyphs[36].x, 482);
    ASSERT_NE(LayoutArray, nullptr);
    EXPECT_EQ(LayoutY, 100);
    EXPECT_TRUE(SheetUnlocked());
}

TEST_F(AssetSetTest, PlaySetShowsTheFailingLoadersOwnMessage) {
    RemoveData("ballf.spr");
    EXPECT_EQ(ReadGameData(), 0);
    EXPECT_EQ(Error(), "[ReadSPRFile] Unable to open file\n");
    EXPECT_EQ(CurrentBallSprite, &BallSprite);  // set after ball.spr, before ballf.spr
    EXPECT_TRUE(SheetUnlocked());
    WriteData("ballf.spr", SpriteFile(3, 3, 20, 450));

    const Bytes font = ReadData("font.spr");
    RemoveData("font.spr");
    EXPECT_EQ(ReadGameData(), 0);
    EXPECT_EQ(Error(), "[ReadFont] Unable to open file\n");
    WriteData("font.spr", font);

    LevelRecipe corrupt;
    corrupt.ids[0] = "ALDX";
    WriteData("Lvl0001.ldf", LevelFile(corrupt));
    EXPECT_EQ(ReadGameData(), 0);
    EXPECT_EQ(Error(), "[ReadLevelData] Corrupt data file (FileID != 'ALDF')\n");
    EXPECT_TRUE(SheetUnlocked());
}

}  // namespace
