// The font file: the bytes as "Data\font.spr" through ReadFont; with a font
// that loads, text, a right-aligned field and the score are drawn from the
// glyph table it built.
#include "fuzz_support.h"
#include "game/data/data.h"
#include "game/display/display.h"
#include "game/shell/record.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vxfuzz::Sandbox();
    vxfuzz::SetUpSheet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vxfuzz::WriteFile("Data/font.spr", data, size);
    if (ReadFont()) {
        UnlockOffscreen();
        TextPosition pos = {20, 30};
        DrawString("Velnorix 0123456789 AZ az .,-_[]", pos);
        pos = {790, 570};
        DrawStringRight("\0Score 987", pos, 10);
        for (int i = 1; i < 10; ++i) ScoreDigits[i] = i;
        pos = {700, 10};
        DrawScore(pos);
        LockOffscreen();
    }
    vxfuzz::CheckNothingHeld("ReadFont");
    return 0;
}
