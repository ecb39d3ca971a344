// The display layer (surfaces, sprite copies, clears, flips, frame pacing),
// text drawing with the sprite font, and the screenshot.
#pragma once

#include "game/shell/record.h"

int InitDDraw();
void ClearScreen();
void ClearOffscreen();
// Copies source (a rectangle of the OffscreenSurface) to (x, y) of the back
// buffer, keyed on colour 0 when keyed is true.
void DrawSprite(int x, int y, const pf::RECT& source, bool keyed);
// Convenience: the whole rectangle of a sprite record.
void DrawSprite(int x, int y, const Sprite& sprite, bool keyed);
pf::HRESULT LockOffscreen();
void UnlockOffscreen();
// Locks the whole of surface, waiting out a busy blitter; the result is also
// left in DDResult, the lock's pointer and pitch in *bits and *pitch on success.
pf::HRESULT LockWholeSurface(pf::LPDIRECTDRAWSURFACE surface, uint16_t** bits, pf::LONG* pitch);
void UnlockBackBuffer();
int FlipScreen();
void WaitFrame();
pf::HRESULT RestoreSurfaces();

// Text (the glyph map of the sprite font).
int DrawChar(TextPosition& pos, int glyph);
int DrawCharLeft(TextPosition& pos, int glyph);
void DrawString(const char* text, TextPosition& pos);
void DrawStringRight(const char* text, TextPosition& pos, int count);
void DrawScore(TextPosition& pos);

// Screenshot of the back buffer into "Screen001.raw".
void SaveScreenshot();
pf::HRESULT LockBackBuffer();
