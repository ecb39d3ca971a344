// The main menu with its attract loop (menu page and hall-of-fame page taking
// turns), the start of a new game and the return to the menu after a game.
#include "game/data/data.h"
#include "game/display/display.h"
#include "game/input/input.h"
#include "game/play/play.h"
#include "game/screens/screens.h"
#include "game/sound/sound.h"

namespace {

// A page stays for this many frames plus one.
constexpr int32_t AttractFrames = 120;

// The menu page is static: drawn once into each of the two buffers.
void DrawMenuPage() {
    ClearScreen();
    DrawSprite(MenuLogoAt.x, MenuLogoAt.y, LogoSprite, true);
    DrawSprite(MenuVersionAt.x, MenuVersionAt.y, VersionSprite, true);
    DrawSprite(MenuStartButtonAt.x, MenuStartButtonAt.y, But1Sprite, true);
    DrawSprite(MenuQuitButtonAt.x, MenuQuitButtonAt.y, But2Sprite, true);
    const int selectorY = MenuSelectorLeftAt.y + MenuButtonStep * MenuSelection;
    DrawSprite(MenuSelectorLeftAt.x, selectorY, SelLeftSprite, true);
    DrawSprite(MenuSelectorRightAt.x, selectorY, SelRightSprite, true);
    if (++RedrawCount >= 2) {
        RedrawPending = 0;
        RedrawCount = 0;
    }
}

// Brings the menu page back at once, drawn afresh into both buffers.
void ShowMenuPage() {
    AttractTimer = 0;
    MenuShowing = 1;
    RedrawPending = 1;
    RedrawCount = 0;
}

}  // namespace

void MenuFrame() {
    if (MenuShowing == 1) {
        if (RedrawPending) DrawMenuPage();
        if (++AttractTimer > AttractFrames) {
            AttractTimer = 0;
            MenuShowing = 0;
        }
    } else {
        DrawHallOfFame();
        if (++AttractTimer > AttractFrames) ShowMenuPage();
    }
    GameState = MenuInput();
    FlipScreen();
    WaitFrame();
}

int32_t MenuInput() {
    PollKeyboard();
    // Keys act on their state in every frame, not on presses. UP on the
    // first button and DOWN on the last do nothing at all.
    if (KeyDown(KEY_UP) && MenuSelection > 0) {
        --MenuSelection;
        ShowMenuPage();
    }
    if (KeyDown(KEY_DOWN) && MenuSelection < 1) {
        ++MenuSelection;
        ShowMenuPage();
    }
    if (KeyDown(KEY_RETURN)) {
        if (MenuShowing == 1) return MenuSelection == 0 ? StartNewGame() : GS_QUIT;
        ShowMenuPage();
    }
    return KeyDown(KEY_ESCAPE) ? GS_QUIT : GS_MENU;
}

int32_t StartNewGame() {
    StopMusic();
    ClearOffscreen();
    RedrawPending = 1;
    RedrawCount = 0;
    CurrentLevel = 1;
    for (Capsule& capsule : Capsules) capsule.kind = -1;
    for (MissilePair& missile : Missiles) {
        missile.x1 = -1;
        missile.x2 = -1;
    }
    for (int32_t& digit : ScoreDigits) digit = 0;
    // The loader has reported its own failure.
    if (!ReadGameData()) return GS_QUIT;
    ResetPaddleAndBall();
    Lives = StartingLives;
    LevelDone = 0;
    BlocksBroken = 0;
    PlayMusic("Data//track1.mdf");
    return GS_PLAYING;
}

void GameOverStep() {
    ClearOffscreen();
    StopMusic();
    // Also reloads the hall of fame and puts the menu page first.
    if (!ReadMenuData()) {
        GameState = GS_QUIT;
        return;
    }
    PlayMusic("Data//menu.mdf");
    RedrawPending = 1;
    RedrawCount = 0;
    MenuSelection = 0;
    AttractTimer = 0;
    MenuShowing = 1;
    GameState = GS_MENU;
    // The menu music plays on during the name entry.
    AddHallOfFameEntry();
}
