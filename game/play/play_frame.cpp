// One frame of play and the progression through the four levels.
//
// The ship's position and each ball's motion exist twice, in slots 0 and 1.
// A frame draws from slot ShownIndex, computes from it and writes slot
// DrawIndex; a successful flip swaps the two, so the next frame continues
// from what this one wrote, and a failed flip makes it compute again from
// the same slot.
#include "game/data/data.h"
#include "game/display/display.h"
#include "game/play/play.h"
#include "game/shell/shell.h"
#include "game/sound/sound.h"

namespace {

constexpr pf::RECT ScoreBox = {ScoreBoxLeft, ScoreBoxTop, ScoreBoxRight, ScoreBoxBottom};
constexpr TextPosition ScorePen = {ScorePenAt.x, ScorePenAt.y};

int LiveBallCount() { return BallCount < 0 ? 0 : BallCount > MaxBalls ? MaxBalls : BallCount; }

void DrawBlocks() {
    if (LayoutArray == nullptr || BlockTypes == nullptr) return;
    for (int i = 0; i < LayoutRows; ++i) {
        for (int j = 0; j < LayoutColumns; ++j) {
            const int t = LayoutArray[i * LayoutColumns + j] & 0xFF;
            if (t != 0) DrawBlock(t - 1, LayoutX + j * CellWidth, LayoutY + i * CellHeight);
        }
    }
}

void DrawBalls() {
    const int count = LiveBallCount();
    for (int i = 0; i < count; ++i) {
        const Ball& ball = Balls[i][ShownIndex];
        DrawSprite(static_cast<int>(ball.x), static_cast<int>(ball.y), *CurrentBallSprite, true);
    }
}

// The side panel and the lives, drawn into each of the two buffers once.
void DrawSidePanel() {
    DrawSprite(TbarSprite.x, TbarSprite.y, TbarSprite, false);
    for (int i = 0; i < Lives; ++i)
        DrawSprite(LivesIconAt.x + LivesIconStep * i, LivesIconAt.y, LivesSprite, true);
    RedrawCount += 1;
    if (RedrawCount >= 2) {
        RedrawPending = 0;
        RedrawCount = 0;
    }
}

void DrawScoreBox() {
    DrawSprite(ScoreBox.left, ScoreBox.top, ScoreBox, false);  // wipes the last score
    TextPos = ScorePen;
    DrawScore(TextPos);
}

// Moves every live ball once, in index order. A lost ball is removed at
// once: the later balls move down one place, so the ball that takes its
// place is the next one updated.
void MoveBalls() {
    if (BallCount > MaxBalls) BallCount = MaxBalls;
    int i = 0;
    while (i < BallCount) {
        if (UpdateBall(i)) {
            ++i;
            continue;
        }
        for (int j = i; j + 1 < BallCount; ++j) {
            Balls[j][0] = Balls[j + 1][0];
            Balls[j][1] = Balls[j + 1][1];
            BallMissed[j] = BallMissed[j + 1];
        }
        BallCount -= 1;
    }
}

// No ball left: a life goes. Capsules and missiles in flight stay.
void LoseLife() {
    Lives -= 1;
    if (Lives <= 0) {
        GameState = GS_GAME_OVER;
        return;
    }
    RedrawPending = 1;
    ResetPaddleAndBall();
    RedrawCount = 0;
}

// The level-advance step; false when the next level cannot be prepared and
// the frame must end at once, unflipped.
bool AdvanceLevel() {
    if (CurrentLevel >= LastLevel) {
        // LevelDone stays set; StartNewGame clears it.
        StopMusic();
        GameState = GS_ALL_LEVELS_DONE;
        return true;
    }
    CurrentLevel += 1;
    ResetPaddleAndBall();
    LevelDone = 0;
    BlocksBroken = 0;
    RedrawCount = 0;
    RedrawPending = 1;
    ReleaseLevel();
    for (Capsule& capsule : Capsules) capsule.kind = -1;
    for (MissilePair& shot : Missiles) {
        shot.x1 = -1;
        shot.x2 = -1;
    }
    if (LockOffscreen() != pf::DD_OK) {
        ReportError("[LevelCompleted] Unable to lock offscreen surface\n");
        GameState = GS_QUIT;
        return false;
    }
    if (!ReadLevelData(static_cast<uint32_t>(CurrentLevel))) {
        UnlockOffscreen();
        // Replaces the loader's own report as the text shown at exit.
        ReportError("[LevelCompleted] Unable to read level data\n");
        GameState = GS_QUIT;
        return false;
    }
    UnlockOffscreen();
    // The music, the lives, the score, ShipSpeed and FireCooldown carry over.
    return true;
}

}  // namespace

void ResetPaddleAndBall() {
    for (int slot = 0; slot < 2; ++slot) {
        ShipX[slot] = ShipStartAt.x;
        ShipY[slot] = ShipStartAt.y;
        // Up and to the right at once: there is no serve.
        Balls[0][slot] = Ball{BallStartX, BallStartY, 10.0f, 0.4f, -0.6f};
    }
    CurrentShipSprite = &ShipSprite;
    CurrentBallSprite = &BallSprite;
    BallCount = 1;
    BallMissed[0] = 0;
}

void DrawBlock(int blockType, int x, int y) {
    if (BlockTypes == nullptr || blockType < 0 || blockType >= BlockTypeCount) return;
    // Frame 0 only: a damaged block looks like an undamaged one.
    const BlockType& type = BlockTypes[blockType];
    const pf::RECT source = {type.frameX[0], type.frameY[0], type.frameX[0] + CellWidth,
                             type.frameY[0] + CellHeight};
    DrawSprite(x, y, source, true);
}

bool PlayFrameSteps() {
    ClearScreen();  // the play field only; the side panel keeps its pixels
    DrawBlocks();
    DrawSprite(ShipX[ShownIndex], ShipY[ShownIndex], *CurrentShipSprite, true);
    UpdateMissiles();
    DrawBalls();
    UpdateCapsules();
    if (RedrawPending) DrawSidePanel();
    DrawScoreBox();

    MoveBalls();
    if (BallCount == 0) LoseLife();  // PlayInput does not run after the last life

    if (GameState == GS_PLAYING) GameState = PlayInput();

    // Escape in this frame has put the menu set on the sheet and abandoned
    // the game: a level finished in the same frame is not loaded over it.
    if (LevelDone && GameState != GS_MENU) return AdvanceLevel();
    return true;
}

void PlayFrame() {
    if (!PlayFrameSteps()) return;
    FlipScreen();  // a failed flip schedules the side panel again
    WaitFrame();
}
