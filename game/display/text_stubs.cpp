// Placeholder bodies until text and the screenshot land.
#include "game/display/display.h"

int DrawChar(TextPosition&, int) { return 0; }
int DrawCharLeft(TextPosition&, int) { return 0; }
void DrawString(const char*, TextPosition&) {}
void DrawStringRight(const char*, TextPosition&, int) {}
void DrawScore(TextPosition&) {}
void SaveScreenshot() {}
pf::HRESULT LockBackBuffer() { return pf::E_FAIL; }
