// The intro: the two logos on a black screen for three seconds, then the
// menu set, the menu music and the menu.
#include "game/data/data.h"
#include "game/display/display.h"
#include "game/screens/screens.h"
#include "game/shell/shell.h"
#include "game/sound/sound.h"
#include "pf/window.h"

namespace {

constexpr uint32_t IntroWaitMs = 3000;

}  // namespace

int ShowIntro() {
    if (LockOffscreen() != pf::DD_OK)
        return ReportError("[ShowIntro] Unable to lock offscreen surface\n");
    // The sprite loader's own message stands when a logo fails.
    if (!ReadSPRFile("Data\\logo1.spr", &Logo1Sprite)) {
        UnlockOffscreen();
        return 0;
    }
    if (!ReadSPRFile("Data\\logo2.spr", &Logo2Sprite)) {
        UnlockOffscreen();
        return 0;
    }
    UnlockOffscreen();

    DrawSprite(IntroLogo1At.x, IntroLogo1At.y, Logo1Sprite, true);
    DrawSprite(IntroLogo2At.x, IntroLogo2At.y, Logo2Sprite, true);
    FlipScreen();

    // Busy wait; the unsigned difference stays right across the tick
    // counter's wrap.
    FrameTime = pf::GetTickCount();
    while (static_cast<uint32_t>(pf::GetTickCount() - FrameTime) < IntroWaitMs) {
    }

    // The menu set goes over the logos without clearing the sheet first.
    if (!ReadMenuData()) return 0;
    PlayMusic("Data//menu.mdf");
    GameState = GS_MENU;
    return 1;
}
