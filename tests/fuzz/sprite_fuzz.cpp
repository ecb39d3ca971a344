// Sprite files: the bytes through ReadSPRFile onto the locked sheet; a picture
// that loads is then drawn from the sheet as the game draws it.
#include "fuzz_support.h"
#include "game/data/data.h"
#include "game/display/display.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vxfuzz::Sandbox();
    vxfuzz::SetUpSheet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vxfuzz::WriteFile("Data/fuzz.spr", data, size);
    Sprite sprite = {};
    if (ReadSPRFile("Data\\fuzz.spr", &sprite)) {
        UnlockOffscreen();
        DrawSprite(10, 20, sprite, true);
        DrawSprite(0, 0, sprite, false);
        LockOffscreen();
    }
    vxfuzz::CheckNothingHeld("ReadSPRFile");
    return 0;
}
