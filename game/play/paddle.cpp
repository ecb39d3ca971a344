// The player's side of a play frame: the ship on the arrow keys, the cannon
// on Ctrl, and the keys that leave play (Escape, P, S, Alt+Tab).
#include "game/data/data.h"
#include "game/display/display.h"
#include "game/input/input.h"
#include "game/play/play.h"
#include "game/shell/shell.h"
#include "game/sound/sound.h"

namespace {

constexpr int32_t SpeedStep = 4;
constexpr int32_t TopSpeed = 25;
constexpr int32_t FireInterval = 4;  // a shot needs FireCooldown above this
constexpr int32_t CooldownLimit = 20;

// Left arrow: speed up leftwards, or start at -4 (from standing or moving
// right), or hold -25.
void SteerLeft() {
    if (-TopSpeed < ShipSpeed && ShipSpeed < 0)
        ShipSpeed -= SpeedStep;
    else
        ShipSpeed = ShipSpeed > -TopSpeed ? -SpeedStep : -TopSpeed;
}

// Right arrow: the mirror of SteerLeft. Speeds run 4, 8, ..., 24, 28, then
// 25 for as long as the key is held.
void SteerRight() {
    if (0 < ShipSpeed && ShipSpeed < TopSpeed)
        ShipSpeed += SpeedStep;
    else
        ShipSpeed = ShipSpeed < TopSpeed ? SpeedStep : TopSpeed;
}

// Escape: the game is abandoned; the menu set, its music and its first page.
int32_t LeaveForMenu() {
    ClearOffscreen();
    StopMusic();
    if (!ReadMenuData()) return GS_QUIT;  // the loader has reported why
    PlayMusic("Data//menu.mdf");
    RedrawCount = 0;
    MenuSelection = 0;
    RedrawPending = 1;
    WaitForKeyRelease(KEY_ESCAPE);
    return GS_MENU;
}

}  // namespace

int32_t PlayInput() {
    const int s = ShownIndex;
    const int d = DrawIndex;

    PollKeyboard();

    const bool left = KeyDown(KEY_LEFT);
    const bool right = KeyDown(KEY_RIGHT);
    if (left) SteerLeft();
    if (right) SteerRight();  // with both arrows held, right wins

    if (left || right) {
        // The clamp applies only while an arrow is held: a ship that grew
        // near the right wall overhangs until it is moved.
        int32_t x = ShipX[s] + ShipSpeed;
        if (x < 0) x = 0;
        const int32_t limit = PlayFieldRight - CurrentShipSprite->width;
        if (x > limit) x = limit;
        ShipX[d] = x;
    } else {
        ShipSpeed = 0;
        ShipX[d] = ShipX[s];
    }

    const bool fire = KeyDown(KEY_LCTRL) || KeyDown(KEY_RCTRL);
    if (fire && CurrentShipSprite == &ShipCSprite && FireCooldown > FireInterval) {
        FireMissiles(ShipX[d], ShipY[d]);
        FireCooldown = 0;
    }
    FireCooldown += 1;
    if (FireCooldown > CooldownLimit) FireCooldown = CooldownLimit;

    if (KeyDown(KEY_ESCAPE)) return LeaveForMenu();
    if (KeyDown(KEY_P)) {
        WaitForKeyRelease(KEY_P);
        return GS_PAUSED;
    }
    if (KeyDown(KEY_S)) SaveScreenshot();  // every frame in which S is down
    PollMouse();                           // read, but no play rule uses it
    if (IsAltTabDown()) {
        SuspendGame();
        return GS_SUSPENDED;
    }
    return GS_PLAYING;
}
