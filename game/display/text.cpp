// Text with the sprite font: the character-to-glyph map, strings drawn left
// to right or right to left from the pen, and the score without leading
// zeros. Glyphs are copied keyed from the offscreen sheet to the back buffer.
#include "game/display/display.h"

namespace {

constexpr int GlyphGap = 2;     // pen advance beyond a glyph's width
constexpr int SpaceAdvance = 16;
constexpr int ScoreCells = 10;

// The glyph table of the font (Glyphs): the digits 0 to 9 first, then the
// lower-case letters a to z, then the capitals A to Z, then the six signs
// . , - _ [ ] (62 to 67).
constexpr int FirstDigitGlyph = 0;
constexpr int FirstLowerGlyph = 10;
constexpr int FirstUpperGlyph = 36;
// The score is roughly centred on the pen: the pen starts this many pixels
// left for every digit drawn (half a nominal 12-pixel digit advance; the
// font's own widths may differ).
constexpr int HalfDigitAdvance = 6;

// What a character of a string does.
struct CharacterGlyph {
    int glyph;    // -1: no glyph
    int advance;  // for no glyph: how far the pen moves (a space), else 0
    int drop;     // pixels below the line while the glyph is drawn
};

CharacterGlyph LookUp(char character) {
    const unsigned char c = static_cast<unsigned char>(character);
    if (c >= '0' && c <= '9') return {FirstDigitGlyph + (c - '0'), 0, 0};
    if (c >= 'a' && c <= 'z') {
        int drop = 0;
        if (c == 'g' || c == 'p' || c == 'q' || c == 'y') drop = 6;
        if (c == 'j') drop = 3;
        return {FirstLowerGlyph + (c - 'a'), 0, drop};
    }
    if (c >= 'A' && c <= 'Z') return {FirstUpperGlyph + (c - 'A'), 0, 0};
    switch (c) {
    case '.': return {62, 0, 0};
    case ',': return {63, 0, 5};
    case '-': return {64, 0, 0};
    case '_': return {65, 0, 0};
    case '[': return {66, 0, 0};
    case ']': return {67, 0, 0};
    case ' ': return {-1, SpaceAdvance, 0};
    default: return {-1, 0, 0};
    }
}

bool IsGlyph(int glyph) { return glyph >= 0 && glyph < GlyphCount; }

}  // namespace

// A glyph number outside the table draws nothing and leaves the pen.
int DrawChar(TextPosition& pos, int glyph) {
    if (!IsGlyph(glyph)) return 0;
    const Sprite& sprite = Glyphs[glyph];
    DrawSprite(pos.x, pos.y, sprite, true);
    pos.x += sprite.width + GlyphGap;
    return sprite.width + GlyphGap;
}

int DrawCharLeft(TextPosition& pos, int glyph) {
    if (!IsGlyph(glyph)) return 0;
    const Sprite& sprite = Glyphs[glyph];
    DrawSprite(pos.x - sprite.width, pos.y, sprite, true);
    pos.x -= sprite.width + GlyphGap;
    return sprite.width + GlyphGap;
}

void DrawString(const char* text, TextPosition& pos) {
    for (const char* c = text; *c != 0; ++c) {
        const CharacterGlyph g = LookUp(*c);
        if (g.glyph < 0) {
            pos.x += g.advance;
            continue;
        }
        pos.y += g.drop;
        DrawChar(pos, g.glyph);
        pos.y -= g.drop;
    }
}

void DrawStringRight(const char* text, TextPosition& pos, int count) {
    for (int i = count - 1; i >= 0 && text[i] != 0; --i) {
        const CharacterGlyph g = LookUp(text[i]);
        if (g.glyph < 0) {
            pos.x -= g.advance;
            continue;
        }
        pos.y += g.drop;
        DrawCharLeft(pos, g.glyph);
        pos.y -= g.drop;
    }
}

// A cell outside 0..9 (which the score arithmetic never makes) counts as a
// significant digit but draws nothing and does not move the pen.
void DrawScore(TextPosition& pos) {
    int leadingZeros = 0;
    while (leadingZeros < ScoreCells && ScoreDigits[leadingZeros] == 0) ++leadingZeros;

    pos.x -= HalfDigitAdvance * (ScoreCells - leadingZeros);
    if (leadingZeros == ScoreCells) {
        DrawChar(pos, 0);
        return;
    }
    for (int cell = leadingZeros; cell < ScoreCells; ++cell) {
        const int32_t digit = ScoreDigits[cell];
        if (digit >= 0 && digit <= 9) DrawChar(pos, digit);
    }
}
