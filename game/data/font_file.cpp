// The font: one picture (header x, y, width, height) holding 72 glyphs in two
// rows, and the table of glyph rectangles built from the fixed glyph widths.
#include "game/data/data.h"
#include "game/data/loader_file.h"
#include "game/shell/shell.h"

namespace {

constexpr LoaderMessages FontMessages = {
    "[ReadFont] Unable to open file\n",
    "[ReadFont] Unable to get file size\n",
    "[ReadFont] Unable to allocate temporary memory\n",
    "[ReadFont] Unable to lock memory\n",
    "[ReadFont] Unable to read complete file\n",
};

constexpr size_t HeaderBytes = 8;
constexpr uint16_t GlyphHeight = 24;
constexpr int FirstGlyphOfRow2 = 39;

// Widths of glyphs 0..71: digits, small letters, capitals, punctuation and
// the four symbols of the name entry.
constexpr uint16_t GlyphWidths[GlyphCount] = {
    15, 11, 14, 14, 15, 13, 14, 14, 15, 15,                          // 0-9
    14, 15, 13, 14, 15, 11, 15, 13, 3,  9,  14, 3,  22, 13, 15, 14,  // a-p
    14, 9,  13, 10, 14, 15, 22, 14, 15, 13,                          // q-z
    19, 16, 18, 18, 14, 13, 18, 16, 9,  11, 16, 13, 19, 16, 20, 15,  // A-P
    20, 18, 16, 19, 16, 19, 26, 18, 17, 16,                          // Q-Z
    4,  7,  11, 17, 9,  9,                                           // . , - _ [ ]
    18, 8,  17, 17,                                                  // 68-71
};

}  // namespace

int ReadFont() {
    FileBuffer file;
    if (!ReadWholeFile("Data\\font.spr", FontMessages, &file)) return 0;

    const char* failure = nullptr;
    Sprite picture = {};
    if (file.size < HeaderBytes) {
        failure = "[ReadFont] Corrupt font file (file shorter than its header)\n";
    } else {
        picture.x = ReadU16(file.bytes);
        picture.y = ReadU16(file.bytes + 2);
        picture.width = ReadU16(file.bytes + 4);
        picture.height = ReadU16(file.bytes + 6);
        if (file.size - HeaderBytes < PictureBytes(picture.width, picture.height))
            failure = "[ReadFont] Corrupt font file (file shorter than its picture)\n";
        else if (!FitsSheet(picture.x, picture.y, picture.width, picture.height))
            failure = "[ReadFont] Corrupt font file (picture outside the 800x600 sheet)\n";
    }
    if (failure != nullptr) {
        ReleaseFileBuffer(&file);
        return ReportError(failure);
    }

    Glyphs[0] = picture;
    StoreSpritePixels(Glyphs[0], file.bytes + HeaderBytes);
    ReleaseFileBuffer(&file);

    // Row 1 starts at the picture; row 2 starts at x 0, one glyph height
    // lower; within a row each glyph starts where the previous one ends.
    Glyphs[0].width = GlyphWidths[0];
    Glyphs[0].height = GlyphHeight;
    for (int g = 1; g < GlyphCount; ++g) {
        Sprite& glyph = Glyphs[g];
        glyph.width = GlyphWidths[g];
        glyph.height = GlyphHeight;
        if (g == FirstGlyphOfRow2) {
            glyph.x = 0;
            glyph.y = static_cast<uint16_t>(Glyphs[0].y + GlyphHeight);
        } else {
            glyph.x = static_cast<uint16_t>(Glyphs[g - 1].x + Glyphs[g - 1].width);
            glyph.y = Glyphs[g - 1].y;
        }
    }
    return 1;
}
