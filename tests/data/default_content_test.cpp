// The default Data folder through the real loaders: both asset sets, all four
// levels, and preview frames (PNG, in <build>/preview/) of every picture,
// every glyph and each level as the game would compose them.
#include <png.h>

#include <filesystem>
#include <string>

#include "data_bench.h"
#include "game/data/data.h"
#include "game/display/display.h"
#include "pf/ddraw.h"
#include "pf/files.h"

using namespace datatest;

namespace {

const std::filesystem::path DataDir = VX_DATA_DIR;
const std::filesystem::path PreviewDir = std::filesystem::path(VX_BUILD_DIR) / "preview";

// Writes a locked 5-6-5 surface as an 8-bit RGB PNG.
bool WritePng(const std::filesystem::path& path, pf::LPDIRECTDRAWSURFACE surface) {
    pf::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    if (pf::Surface_Lock(surface, nullptr, &desc, 0, nullptr) != pf::DD_OK) return false;
    FILE* out = std::fopen(path.string().c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    bool ok = out != nullptr && png != nullptr && info != nullptr && setjmp(png_jmpbuf(png)) == 0;
    if (ok) {
        png_init_io(png, out);
        png_set_IHDR(png, info, ScreenWidth, ScreenHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        std::vector<png_byte> row(ScreenWidth * 3);
        for (int y = 0; y < ScreenHeight; ++y) {
            const uint16_t* in = reinterpret_cast<const uint16_t*>(
                static_cast<const uint8_t*>(desc.lpSurface) + static_cast<size_t>(y) * desc.lPitch);
            for (int x = 0; x < ScreenWidth; ++x) {
                const uint16_t p = in[x];
                row[x * 3 + 0] = static_cast<png_byte>(((p >> 11) & 31) * 255 / 31);
                row[x * 3 + 1] = static_cast<png_byte>(((p >> 5) & 63) * 255 / 63);
                row[x * 3 + 2] = static_cast<png_byte>((p & 31) * 255 / 31);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    if (out != nullptr) std::fclose(out);
    pf::Surface_Unlock(surface, nullptr);
    return ok;
}

class DefaultContentTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        Unlock();
        if (!std::filesystem::exists(DataDir / "font.spr"))
            GTEST_SKIP() << "the default content is not built (target vx_content)";
        ASSERT_TRUE(pf::SetCurrentDirectoryA(DataDir.parent_path().string().c_str()));
        std::filesystem::create_directories(PreviewDir);
    }
    void ClearFrame() {
        pf::DDBLTFX fx = {};
        fx.dwSize = sizeof fx;
        pf::Surface_Blt(BackBuffer, nullptr, nullptr, nullptr, pf::DDBLT_COLORFILL, &fx);
    }
    void Save(const char* name, pf::LPDIRECTDRAWSURFACE surface) {
        EXPECT_TRUE(WritePng(PreviewDir / name, surface)) << name;
    }
    static void ExpectOnSheet(const Sprite& s, const char* what) {
        EXPECT_GT(s.width, 0) << what;
        EXPECT_GT(s.height, 0) << what;
        EXPECT_LE(s.x + s.width, ScreenWidth) << what;
        EXPECT_LE(s.y + s.height, ScreenHeight) << what;
    }
    // Draws a picture where it lies on the sheet, so the frame shows the
    // set as the loaders placed it, through the records they filled.
    void DrawInPlace(const Sprite& s) { DrawSprite(s.x, s.y, s, true); }
    // The text frame: every glyph, through the string routines and by number.
    void DrawAllGlyphs() {
        TextPosition pen = {20, 100};
        DrawString("0123456789 abcdefghijklm", pen);
        pen = {20, 140};
        DrawString("nopqrstuvwxyz .,-_[]", pen);
        pen = {20, 180};
        DrawString("ABCDEFGHIJKLM", pen);
        pen = {20, 220};
        DrawString("NOPQRSTUVWXYZ", pen);
        pen = {20, 260};
        for (int g = 68; g < 72; ++g) DrawChar(pen, g);
        static const char heading[] = "\0Hall of fame, right-aligned";
        pen = {780, 300};
        DrawStringRight(heading, pen, static_cast<int>(sizeof heading) - 1);
        const int32_t digits[10] = {0, 0, 0, 1, 2, 3, 4, 5, 6, 7};
        std::copy(digits, digits + 10, ScoreDigits);
        pen = {700, 340};
        DrawScore(pen);
    }
};

TEST_F(DefaultContentTest, MenuSetLoadsAndPreviews) {
    ASSERT_EQ(ReadMenuData(), 1) << Error();
    const std::pair<const Sprite*, const char*> pictures[] = {
        {&LogoSprite, "logo"},         {&But1Sprite, "but1"},         {&But2Sprite, "but2"},
        {&SelLeftSprite, "selleft"},   {&SelRightSprite, "selrig"},   {&VersionSprite, "version"},
    };
    for (const auto& [sprite, name] : pictures) ExpectOnSheet(*sprite, name);
    for (const Sprite& glyph : Glyphs) ExpectOnSheet(glyph, "glyph");
    Save("menu-sheet.png", OffscreenSurface);

    ClearFrame();
    for (const auto& [sprite, name] : pictures) DrawInPlace(*sprite);
    Save("menu-pictures.png", BackBuffer);

    ClearFrame();
    DrawAllGlyphs();
    Save("glyphs.png", BackBuffer);
    EXPECT_GT(SheetPixelsSet(), 0u);
}

TEST_F(DefaultContentTest, PlaySetAndEveryLevelLoadAndPreview) {
    ASSERT_EQ(ReadGameData(), 1) << Error();
    const std::pair<const Sprite*, const char*> pictures[] = {
        {&TbarSprite, "tbar"},          {&LivesSprite, "lives"},
        {&PowerUpSprites[0], "pwrup_p"}, {&PowerUpSprites[1], "pwrup_r"},
        {&PowerUpSprites[2], "pwrup_s"}, {&PowerUpSprites[3], "pwrup_m"},
        {&PowerUpSprites[4], "pwrup_f"}, {&PowerUpSprites[5], "pwrup_a"},
        {&PowerUpSprites[6], "pwrup_b"}, {&PowerUpSprites[7], "pwrup_w"},
        {&ShipSprite, "ship"},          {&ShipLSprite, "shipl"},
        {&ShipCSprite, "shipc"},        {&MissileSprite, "missile"},
        {&BallSprite, "ball"},          {&BallFSprite, "ballf"},
    };
    for (const auto& [sprite, name] : pictures) ExpectOnSheet(*sprite, name);
    Save("play-sheet.png", OffscreenSurface);

    ClearFrame();
    for (const auto& [sprite, name] : pictures) DrawInPlace(*sprite);
    Save("play-pictures.png", BackBuffer);

    for (uint32_t level = 1; level <= 4; ++level) {
        ReleaseLevel();
        Lock();
        ASSERT_EQ(ReadLevelData(level), 1) << level << ": " << Error();
        Unlock();
        EXPECT_GT(BlocksToClear, 0) << level;
        EXPECT_LE(LayoutX + LayoutColumns * CellWidth, TbarSprite.x) << level;

        // The level as play draws it: the side panel, frame 0 of every
        // occupied cell, the ship and a ball.
        ClearFrame();
        DrawSprite(TbarSprite.x, TbarSprite.y, TbarSprite, false);
        for (int row = 0; row < LayoutRows; ++row) {
            for (int column = 0; column < LayoutColumns; ++column) {
                const uint16_t cell = LayoutArray[column + row * LayoutColumns];
                if ((cell & 0xFF) == 0) continue;
                ASSERT_LE(cell & 0xFF, BlockTypeCount);
                const BlockType& type = BlockTypes[(cell & 0xFF) - 1];
                const pf::RECT source = {type.frameX[0], type.frameY[0],
                                         type.frameX[0] + CellWidth, type.frameY[0] + CellHeight};
                DrawSprite(LayoutX + column * CellWidth, LayoutY + row * CellHeight, source, true);
            }
        }
        DrawSprite(TbarSprite.x / 2 - ShipSprite.width / 2, 560, ShipSprite, true);
        DrawSprite(TbarSprite.x / 2, 500, BallSprite, true);
        TextPosition pen = {TbarSprite.x + 200, 352};  // in the score box
        ScoreDigits[9] = static_cast<int32_t>(level);
        DrawScore(pen);
        char name[32];
        std::snprintf(name, sizeof name, "level-%u.png", level);
        Save(name, BackBuffer);
        // and the sheet with this level's block images
        if (level == 4 || level == 1) {
            std::snprintf(name, sizeof name, "level-%u-sheet.png", level);
            Save(name, OffscreenSurface);
        }
    }
    ReleaseLevel();
}

}  // namespace
