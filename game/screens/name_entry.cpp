// The name entry of a new hall-of-fame row: a wheel of 35 positions turned
// with LEFT and RIGHT, RETURN taking the position under the cursor.
#include "game/display/display.h"
#include "game/input/input.h"
#include "game/screens/screens.h"

#include <cstring>

namespace {

// The characters of positions 0..32.
constexpr char WheelCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ.,-_[] ";
static_assert(sizeof WheelCharacters - 1 == WheelSpace + 1);

constexpr int DotGlyph = 62;
constexpr int UnderlineGlyph = 65;

// The keyboard of the name entry. A keyboard that stops answering (the
// window lost the focus or was closed) leaves KeyState as it last was; the
// wheel must not go on turning or taking letters on keys nobody holds, so its
// three keys then read as up.
pf::HRESULT PollNameEntryKeys() {
    const pf::HRESULT result = PollKeyboard();
    if (result != pf::DI_OK) {
        KeyState[KEY_LEFT] = 0;
        KeyState[KEY_RIGHT] = 0;
        KeyState[KEY_RETURN] = 0;
    }
    return result;
}

// A glyph centred in the wheel's cell whose left edge is x.
void DrawCentred(int glyph, int x, int y) {
    TextPos = {x + (NameWheelCellWidth - static_cast<int>(Glyphs[glyph].width)) / 2, y};
    DrawChar(TextPos, glyph);
}

void DrawDots(int x, int y) {
    for (int i = 0; i < 3; ++i) {
        TextPos = {x + NameWheelDotStep * i, y};
        DrawChar(TextPos, DotGlyph);
    }
}

void DrawNameEntry(const NameEntryState& state, const HallOfFameRecord& record) {
    ClearScreen();
    TextPos = {NameEntryLine1At.x, NameEntryLine1At.y};
    DrawString("Enter your name for", TextPos);
    TextPos = {NameEntryLine2At.x, NameEntryLine2At.y};
    DrawString("the Hall Of Fame", TextPos);
    // Byte 3 of the name stays 0 while the entry runs.
    TextPos = {NameEntryNameAt.x, NameEntryNameAt.y};
    DrawString(reinterpret_cast<const char*>(record.name), TextPos);

    DrawDots(NameWheelLeftDotsX, NameWheelY);
    for (int k = -5; k <= 4; ++k)
        DrawCentred(WheelGlyph(state.selection + k), NameWheelSelectedX + NameWheelCellWidth * k,
                    NameWheelY);
    DrawCentred(UnderlineGlyph, NameWheelSelectedX, NameWheelMarkBelowY);
    DrawCentred(UnderlineGlyph, NameWheelSelectedX, NameWheelMarkAboveY);
    DrawDots(NameWheelRightDotsX, NameWheelY);
    DrawSprite(MenuLogoAt.x, MenuLogoAt.y, LogoSprite, true);
}

}  // namespace

int WheelGlyph(int32_t position) {
    // Positions 0..34 show glyphs 36..70 in order: the letters, the six
    // signs, then the space, end and delete symbols.
    const int32_t wrapped = ((position % WheelPositions) + WheelPositions) % WheelPositions;
    return 36 + wrapped;
}

void StartNameEntry(NameEntryState& state, HallOfFameRecord& record) {
    std::memset(record.name, 0, sizeof record.name);
    state.selection = WheelStart;
    state.length = 0;
    state.returnHeld = false;
}

bool NameEntryPass(NameEntryState& state, HallOfFameRecord& record) {
    // RETURN on the end position finishes, held or newly pressed.
    if (KeyDown(KEY_RETURN) && state.selection == WheelEnd) return true;

    // One position per pass while held; both keys cancel.
    if (KeyDown(KEY_LEFT)) --state.selection;
    if (KeyDown(KEY_RIGHT)) ++state.selection;

    if (KeyDown(KEY_RETURN)) {
        // A new press acts on the selection before it wraps, so a press in
        // the pass that moves off either end takes nothing.
        if (!state.returnHeld) {
            if (state.length < MaxNameLength && state.selection >= 0 &&
                state.selection <= WheelSpace) {
                record.name[state.length++] = static_cast<uint8_t>(WheelCharacters[state.selection]);
            } else if (state.selection == WheelDelete && state.length > 0) {
                record.name[--state.length] = 0;
            }
        }
        state.returnHeld = true;
    } else {
        state.returnHeld = false;
    }

    if (state.selection < 0) state.selection = WheelPositions - 1;
    if (state.selection > WheelPositions - 1) state.selection = 0;
    return false;
}

void EnterHallOfFameName(HallOfFameRecord& record) {
    NameEntryState state;
    PollNameEntryKeys();
    StartNameEntry(state, record);

    // Each pass acts on the keys read at the end of the one before. The loop
    // also ends when the window is closed meanwhile (the window procedure
    // sets GS_QUIT); the name chosen so far is kept.
    while (GameState != GS_QUIT) {
        if (NameEntryPass(state, record)) break;
        DrawNameEntry(state, record);
        PollNameEntryKeys();
        FlipScreen();  // paces the loop at the display's rate
    }
    record.name[3] = 0;

    // Wait for RETURN's release; a keyboard that stops answering (RETURN then
    // reads as up, so the menu does not take it for a press) or a closed
    // window ends the wait too.
    while (KeyDown(KEY_RETURN) && GameState != GS_QUIT) PollNameEntryKeys();
}
