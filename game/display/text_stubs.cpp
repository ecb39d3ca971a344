// Placeholder bodies until text lands.
#include "game/display/display.h"

int DrawChar(TextPosition&, int) { return 0; }
int DrawCharLeft(TextPosition&, int) { return 0; }
void DrawString(const char*, TextPosition&) {}
void DrawStringRight(const char*, TextPosition&, int) {}
void DrawScore(TextPosition&) {}
