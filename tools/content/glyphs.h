// The game's fixed glyph table: 72 glyphs, 24 pixels high, in two rows.
// Row 1 (glyphs 0-38) starts at the font picture's x and y; row 2 (glyphs
// 39-71) starts at x 0 of the sheet, 24 pixels lower.
#pragma once

namespace vxc {

constexpr int kGlyphCount = 72;
constexpr int kGlyphHeight = 24;
constexpr int kRow2First = 39;
constexpr int kGlyphWidths[kGlyphCount] = {
    15, 11, 14, 14, 15, 13, 14, 14, 15, 15,                                  // 0-9
    14, 15, 13, 14, 15, 11, 15, 13, 3, 9, 14, 3, 22, 13, 15, 14, 14, 9, 13,  // a-s
    10, 14, 15, 22, 14, 15, 13,                                              // t-z
    19, 16, 18,                                                              // A-C (row 1 ends)
    18, 14, 13, 18, 16, 9, 11, 16, 13, 19, 16, 20, 15, 20, 18, 16, 19, 16,  // D-U
    19, 26, 18, 17, 16,                                                      // V-Z
    4, 7, 11, 17, 9, 9,                                                      // . , - _ [ ]
    18, 8, 17, 17};                                                          // wheel symbols

// Glyph rectangle on the sheet for a font picture at (fx, fy).
struct GlyphRect {
    int x, y, w, h;
};
inline GlyphRect GlyphAt(int g, int fx, int fy) {
    int x = g < kRow2First ? fx : 0;
    for (int k = g < kRow2First ? 0 : kRow2First; k < g; ++k) x += kGlyphWidths[k];
    return {x, g < kRow2First ? fy : fy + kGlyphHeight, kGlyphWidths[g], kGlyphHeight};
}

// Character to glyph and the game's vertical offset while drawing it; -1 for
// characters without a glyph.
inline int GlyphOf(char c, int& yoff) {
    yoff = 0;
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') {
        if (c == 'g' || c == 'p' || c == 'q' || c == 'y') yoff = 6;
        if (c == 'j') yoff = 3;
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') return c - 'A' + 36;
    switch (c) {
        case '.': return 62;
        case ',': yoff = 5; return 63;
        case '-': return 64;
        case '_': return 65;
        case '[': return 66;
        case ']': return 67;
        default: return -1;
    }
}

}  // namespace vxc
