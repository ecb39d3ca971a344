// The font: the glyph table built from the picture's place, the picture on
// the sheet, and every failure message.
#include "data_bench.h"
#include "game/data/data.h"
#include "platform/core/backend.h"

using namespace datatest;

namespace {

class FontTest : public DataTest {};

// The glyph widths as the text routines expect them.
constexpr int Widths[GlyphCount] = {
    15, 11, 14, 14, 15, 13, 14, 14, 15, 15, 14, 15, 13, 14, 15, 11, 15, 13,
    3,  9,  14, 3,  22, 13, 15, 14, 14, 9,  13, 10, 14, 15, 22, 14, 15, 13,
    19, 16, 18, 18, 14, 13, 18, 16, 9,  11, 16, 13, 19, 16, 20, 15, 20, 18,
    16, 19, 16, 19, 26, 18, 17, 16, 4,  7,  11, 17, 9,  9,  18, 8,  17, 17};

TEST_F(FontTest, GlyphTableFromAPictureAtTheBottomLeft) {
    WriteData("font.spr", FontFile(0, 560, 535, 40));
    ASSERT_EQ(ReadFont(), 1) << Error();
    EXPECT_EQ(Glyphs[0].x, 0);
    EXPECT_EQ(Glyphs[0].y, 560);
    EXPECT_EQ(Glyphs[0].width, 15);
    EXPECT_EQ(Glyphs[0].height, 24);
    EXPECT_EQ(Glyphs[36].x, 482);
    EXPECT_EQ(Glyphs[36].y, 560);
    EXPECT_EQ(Glyphs[38].x + Glyphs[38].width, 535);  // row 1 is 535 wide
    EXPECT_EQ(Glyphs[39].x, 0);
    EXPECT_EQ(Glyphs[39].y, 584);
    EXPECT_EQ(Glyphs[71].x, 483);
    EXPECT_EQ(Glyphs[71].y, 584);
    EXPECT_EQ(Glyphs[71].x + Glyphs[71].width, 500);  // row 2 is 500 wide
    for (int g = 0; g < GlyphCount; ++g) {
        EXPECT_EQ(Glyphs[g].width, Widths[g]) << g;
        EXPECT_EQ(Glyphs[g].height, 24) << g;
    }
    // the picture itself: first and last pixel
    EXPECT_EQ(Sheet(0, 560), PatternPixel(0));
    EXPECT_EQ(Sheet(534, 599), PatternPixel(535 * 40 - 1));
}

TEST_F(FontTest, SecondRowStartsAtTheSheetsLeftEdge) {
    WriteData("font.spr", FontFile(10, 100, 3, 2));
    ASSERT_EQ(ReadFont(), 1) << Error();
    EXPECT_EQ(Glyphs[0].x, 10);
    EXPECT_EQ(Glyphs[38].x, 527);
    EXPECT_EQ(Glyphs[39].x, 0);
    EXPECT_EQ(Glyphs[39].y, 124);
    // the file's own size decides only the pixels stored
    EXPECT_EQ(Glyphs[0].width, 15);
    EXPECT_EQ(Glyphs[0].height, 24);
    EXPECT_EQ(SheetPixelsSet(), 6u);
}

TEST_F(FontTest, FailuresLeaveTheGlyphTable) {
    Glyphs[5] = {1, 2, 3, 4};
    struct Case {
        Bytes file;
        const char* message;
    };
    const Case cases[] = {
        {{1, 2, 3}, "[ReadFont] Corrupt font file (file shorter than its header)\n"},
        {[] {
             Bytes b = FontFile(0, 0, 4, 4);
             b.pop_back();
             return b;
         }(),
         "[ReadFont] Corrupt font file (file shorter than its picture)\n"},
        {FontFile(0, 580, 4, 21), "[ReadFont] Corrupt font file (picture outside the 800x600 sheet)\n"},
        {FontFile(797, 0, 4, 1), "[ReadFont] Corrupt font file (picture outside the 800x600 sheet)\n"},
    };
    for (const Case& c : cases) {
        WriteData("font.spr", c.file);
        EXPECT_EQ(ReadFont(), 0);
        EXPECT_EQ(Error(), c.message);
        EXPECT_EQ(Glyphs[5].x, 3);
    }
    EXPECT_EQ(SheetPixelsSet(), 0u);

    const Bytes whole = FontFile(0, 0, 6, 3);
    for (size_t length = 1; length < whole.size(); ++length) {
        WriteData("font.spr", Bytes(whole.begin(), whole.begin() + static_cast<long>(length)));
        EXPECT_EQ(ReadFont(), 0) << length;
        EXPECT_EQ(Error().rfind("[ReadFont] Corrupt font file", 0), 0u) << length;
    }
    EXPECT_EQ(Glyphs[5].x, 3);
}

TEST_F(FontTest, EveryStepReportsItsOwnMessage) {
    EXPECT_EQ(ReadFont(), 0);
    EXPECT_EQ(Error(), "[ReadFont] Unable to open file\n");

    WriteData("font.spr", FontFile(0, 0, 4, 4));
    const std::pair<const char*, const char*> cases[] = {
        {"CreateFileA", "[ReadFont] Unable to open file\n"},
        {"GetFileSize", "[ReadFont] Unable to get file size\n"},
        {"GlobalAlloc", "[ReadFont] Unable to allocate temporary memory\n"},
        {"GlobalLock", "[ReadFont] Unable to lock memory\n"},
        {"ReadFile", "[ReadFont] Unable to read complete file\n"},
    };
    for (const auto& [operation, message] : cases) {
        pf::core::ClearFaults();
        pf::core::AddFault(operation, 1, 0);
        EXPECT_EQ(ReadFont(), 0) << operation;
        EXPECT_EQ(Error(), message) << operation;
        EXPECT_EQ(Glyphs[1].width, 0) << operation;
    }
    pf::core::ClearFaults();
    EXPECT_EQ(ReadFont(), 1);
}

}  // namespace
