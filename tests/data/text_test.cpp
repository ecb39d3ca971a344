// Text drawing: the glyph map, pen movement of both string routines, the
// vertical offsets and the score without leading zeros. Each glyph's
// rectangle on the sheet is painted with its own colour (glyph + 1), so the
// back buffer shows which glyph landed where.
#include "data_bench.h"
#include "game/data/data.h"
#include "game/display/display.h"

using namespace datatest;

namespace {

class TextTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        WriteData("font.spr", FontFile(0, 500, 535, 48));
        ASSERT_EQ(ReadFont(), 1);
        uint8_t* sheet = reinterpret_cast<uint8_t*>(OffscreenBits);
        for (int g = 0; g < GlyphCount; ++g)
            for (int y = 0; y < Glyphs[g].height; ++y)
                for (int x = 0; x < Glyphs[g].width; ++x)
                    reinterpret_cast<uint16_t*>(sheet + (Glyphs[g].y + y) * OffscreenPitch)
                        [Glyphs[g].x + x] = static_cast<uint16_t>(g + 1);
        Unlock();
    }
    // The glyph drawn at (x, y) of the back buffer, -1 for none.
    int GlyphAt(int x, int y) { return Back(x, y) - 1; }
    // True when glyph g covers exactly [x, x + width) at row y.
    void ExpectGlyph(int g, int x, int y) {
        EXPECT_EQ(GlyphAt(x, y), g) << "glyph " << g << " at " << x << "," << y;
        EXPECT_EQ(GlyphAt(x + Glyphs[g].width - 1, y + 23), g) << "glyph " << g;
        EXPECT_NE(GlyphAt(x - 1, y), g) << "glyph " << g;
        EXPECT_NE(GlyphAt(x + Glyphs[g].width, y), g) << "glyph " << g;
        EXPECT_NE(GlyphAt(x, y - 1), g) << "glyph " << g;
    }
};

TEST_F(TextTest, StringAdvancesByWidthPlusTwo) {
    TextPosition pen = {100, 50};
    DrawString("Abc", pen);
    ExpectGlyph(36, 100, 50);
    ExpectGlyph(11, 121, 50);
    ExpectGlyph(12, 138, 50);
    EXPECT_EQ(GlyphAt(119, 50), -1);  // the 2-pixel gap
    EXPECT_EQ(pen.x, 100 + 19 + 15 + 13 + 6);
    EXPECT_EQ(pen.y, 50);
}

TEST_F(TextTest, EveryCharacterMapsToItsGlyph) {
    const char* text = "09az AZ.,-_[]";
    const int glyphs[] = {0, 9, 10, 35, -1, 36, 61, 62, 63, 64, 65, 66, 67};
    TextPosition pen = {10, 100};
    int x = 10;
    for (size_t i = 0; text[i] != 0; ++i) {
        const char one[2] = {text[i], 0};
        TextPosition before = pen;
        DrawString(one, pen);
        if (glyphs[i] < 0) {
            EXPECT_EQ(pen.x, before.x + 16);
        } else {
            const int drop = text[i] == ',' ? 5 : 0;
            EXPECT_EQ(GlyphAt(x, 100 + drop), glyphs[i]) << text[i];
            EXPECT_EQ(pen.x, before.x + Glyphs[glyphs[i]].width + 2);
        }
        x = pen.x;
    }
}

TEST_F(TextTest, DescendersAreDrawnLower) {
    TextPosition pen = {100, 50};
    DrawString("agpqjy,", pen);
    const std::pair<int, int> drops[] = {{10, 0}, {16, 6}, {25, 6}, {26, 6}, {19, 3}, {34, 6}, {63, 5}};
    int x = 100;
    for (const auto& [glyph, drop] : drops) {
        ExpectGlyph(glyph, x, 50 + drop);
        x += Glyphs[glyph].width + 2;
    }
    EXPECT_EQ(pen.y, 50);
}

TEST_F(TextTest, SpaceAdvancesSixteenAndOtherBytesNothing) {
    TextPosition pen = {100, 50};
    DrawString("A B", pen);
    ExpectGlyph(37, 100 + 19 + 2 + 16, 50);

    pen = {300, 200};
    DrawString("!:/\x80\t", pen);
    EXPECT_EQ(pen.x, 300);
    EXPECT_EQ(pen.y, 200);
    for (int x = 290; x < 340; ++x) EXPECT_EQ(GlyphAt(x, 205), -1);
}

TEST_F(TextTest, RightAlignedStringEndsAtThePen) {
    static const char level[] = "\0Level";
    TextPosition pen = {300, 50};
    DrawStringRight(level, pen, 6);
    ExpectGlyph(21, 297, 50);  // l, right edge at 300
    ExpectGlyph(14, 280, 50);  // e
    ExpectGlyph(31, 263, 50);  // v
    ExpectGlyph(14, 246, 50);  // e
    ExpectGlyph(47, 231, 50);  // L
    EXPECT_EQ(GlyphAt(300, 50), -1);
    EXPECT_EQ(pen.x, 229);
    EXPECT_EQ(pen.y, 50);
}

TEST_F(TextTest, RightAlignedSpacesDropsAndEmptyStrings) {
    static const char words[] = "\0a g";
    TextPosition pen = {400, 80};
    DrawStringRight(words, pen, 4);
    ExpectGlyph(16, 385, 86);               // g, dropped 6
    ExpectGlyph(10, 385 - 2 - 16 - 14, 80);  // a after the space
    EXPECT_EQ(pen.y, 80);

    static const char none[] = "ab\0";
    pen = {400, 300};
    DrawStringRight(none, pen, 3);
    EXPECT_EQ(pen.x, 400);
    DrawStringRight(none, pen, 0);
    EXPECT_EQ(pen.x, 400);
    // No zero byte in front: the walk stops after index 0.
    DrawStringRight(none, pen, 2);
    EXPECT_EQ(pen.x, 400 - 14 - 15 - 4);
}

TEST_F(TextTest, ScoreOfZeroIsOneGlyphAtThePen) {
    TextPosition pen = {500, 10};
    DrawScore(pen);
    ExpectGlyph(0, 500, 10);
    EXPECT_EQ(pen.x, 517);
}

TEST_F(TextTest, ScoreStartsSixPixelsLeftPerDigit) {
    const int32_t digits[10] = {0, 0, 0, 0, 0, 0, 1, 2, 5, 0};
    std::copy(digits, digits + 10, ScoreDigits);
    TextPosition pen = {500, 10};
    DrawScore(pen);
    ExpectGlyph(1, 476, 10);
    ExpectGlyph(2, 489, 10);
    ExpectGlyph(5, 505, 10);
    ExpectGlyph(0, 520, 10);
    EXPECT_EQ(pen.x, 537);
}

TEST_F(TextTest, ScoreCellOutsideADigitDrawsNothing) {
    const int32_t digits[10] = {0, 0, 0, 0, 0, 0, 0, 0, 12, 3};
    std::copy(digits, digits + 10, ScoreDigits);
    TextPosition pen = {500, 10};
    DrawScore(pen);
    ExpectGlyph(3, 488, 10);
    EXPECT_EQ(pen.x, 488 + 16);
}

TEST_F(TextTest, CharReturnsItsAdvance) {
    TextPosition pen = {50, 400};
    EXPECT_EQ(DrawChar(pen, 68), 20);
    ExpectGlyph(68, 50, 400);
    EXPECT_EQ(DrawCharLeft(pen, 69), 10);
    ExpectGlyph(69, 62, 400);
    EXPECT_EQ(pen.x, 60);
    EXPECT_EQ(DrawChar(pen, 72), 0);
    EXPECT_EQ(DrawChar(pen, -1), 0);
    EXPECT_EQ(pen.x, 60);
}

}  // namespace
