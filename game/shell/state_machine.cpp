// The main loop's dispatcher over GameState, and the pause step.
#include "game/data/data.h"
#include "game/input/input.h"
#include "game/play/play.h"
#include "game/screens/screens.h"
#include "game/shell/shell.h"

int GameStep() {
    switch (static_cast<uint32_t>(GameState)) {
        case GS_QUIT:
            // The hall of fame is saved only once a read has filled it: a
            // start that failed before the first read must not replace the
            // player's file with an empty table. Where no file exists at all,
            // the empty table is written, so that the next start finds one.
            if (HallOfFameRead)
                SaveHiscoreTable();
            else
                SaveMissingHiscoreTable();
            if (FatalError) ShowFatalError();
            return 0;
        case GS_PLAYING:
            PlayFrame();
            return 1;
        case GS_MENU:
            MenuFrame();
            return 1;
        case GS_SUSPENDED:
            PumpMessages();
            return 1;
        case GS_ALL_LEVELS_DONE:
            GameState = GS_GAME_OVER;
            return 1;
        case GS_INTRO:
            if (!ShowIntro()) GameState = GS_QUIT;
            return 1;
        case GS_GAME_OVER:
            GameOverStep();
            return 1;
        case GS_PAUSED:
            PauseStep();
            return 1;
        default:  // GS_STARTING and every value outside 0 to 8
            return 0;
    }
}

void PauseStep() {
    if (KeyDown(KEY_P)) {
        WaitForKeyRelease(KEY_P);
        GameState = GS_PLAYING;
    }
    if (KeyDown(KEY_ESCAPE)) GameState = GS_PLAYING;
    PollKeyboard();
}
