// The ship on the arrow keys, the cannon and its missiles, and the keys that
// leave play.
#include "game/data/data.h"
#include "game/input/input.h"
#include "game/play/play.h"
#include "play/play_bench.h"

namespace {

using playtest::PlayBench;

class Paddle : public PlayBench {
protected:
    // One frame's input, then the flip's swap of the two slots.
    void Frame() {
        GameState = PlayInput();
        ShownIndex = DrawIndex;
        DrawIndex = 1 - DrawIndex;
    }
    int32_t Ship() const { return ShipX[ShownIndex]; }
};

TEST_F(Paddle, HoldingRightRunsThroughTheSpeedsAndStopsAtTheWall) {
    Key(KEY_RIGHT, true);
    const int32_t speeds[] = {4, 8, 12, 16, 20, 24, 28, 25, 25, 25};
    int32_t x = 100;
    for (int32_t speed : speeds) {
        Frame();
        x += speed;
        EXPECT_EQ(ShipSpeed, speed);
        EXPECT_EQ(Ship(), x);
    }
    for (int i = 0; i < 20; ++i) Frame();
    EXPECT_EQ(Ship(), 550 - playtest::ShipWidth);
    EXPECT_EQ(GameState, GS_PLAYING);
}

TEST_F(Paddle, ReleasingTheArrowsStopsTheShipAtOnceAndPressingRestartsAtFour) {
    Key(KEY_RIGHT, true);
    Frame();
    Frame();
    Key(KEY_RIGHT, false);
    Frame();
    EXPECT_EQ(ShipSpeed, 0);
    EXPECT_EQ(Ship(), 112);
    Frame();
    EXPECT_EQ(Ship(), 112);
    Key(KEY_RIGHT, true);
    Frame();
    EXPECT_EQ(ShipSpeed, 4);
}

TEST_F(Paddle, ReversingRestartsAtFourTheOtherWay) {
    Key(KEY_RIGHT, true);
    for (int i = 0; i < 9; ++i) Frame();
    ASSERT_EQ(ShipSpeed, 25);
    Key(KEY_RIGHT, false);
    Key(KEY_LEFT, true);
    Frame();
    EXPECT_EQ(ShipSpeed, -4);
}

TEST_F(Paddle, BothArrowsMoveRightAtFour) {
    Key(KEY_RIGHT, true);
    Key(KEY_LEFT, true);
    for (int i = 0; i < 5; ++i) {
        Frame();
        EXPECT_EQ(ShipSpeed, 4);
    }
    EXPECT_EQ(Ship(), 120);
}

TEST_F(Paddle, AtTheLeftWallTheShipStaysWhileItsSpeedRunsDown) {
    ShipX[0] = ShipX[1] = 0;
    Key(KEY_LEFT, true);
    const int32_t speeds[] = {-4, -8, -12, -16, -20, -24, -28, -25, -25};
    for (int32_t speed : speeds) {
        Frame();
        EXPECT_EQ(ShipSpeed, speed);
        EXPECT_EQ(Ship(), 0);
    }
}

TEST_F(Paddle, ALongShipOverhangsUntilAnArrowIsPressed) {
    ShipX[0] = ShipX[1] = 480;
    CurrentShipSprite = &ShipLSprite;
    Frame();
    EXPECT_EQ(Ship(), 480);  // 480 + 96 passes 550: no clamp without an arrow
    Key(KEY_RIGHT, true);
    Frame();
    EXPECT_EQ(Ship(), 550 - playtest::LongShipWidth);
}

TEST_F(Paddle, TheCannonFiresEveryFifthFrameFromBothBarrels) {
    CurrentShipSprite = &ShipCSprite;
    ShipX[0] = ShipX[1] = 200;
    Key(KEY_RCTRL, true);
    std::vector<int> shots;
    int fired = 0;
    for (int frame = 0; frame < 16; ++frame) {
        Frame();
        int count = 0;
        for (const MissilePair& shot : Missiles) count += shot.x1 != -1;
        if (count > fired) shots.push_back(frame);
        fired = count;
    }
    EXPECT_EQ(shots, (std::vector<int>{0, 5, 10, 15}));
    EXPECT_EQ(Missiles[0].x1, 206);
    EXPECT_EQ(Missiles[0].x2, 249);
    EXPECT_EQ(Missiles[0].y1, 550 - playtest::MissileHeight);
    EXPECT_EQ(Missiles[0].y2, 550 - playtest::MissileHeight);
}

TEST_F(Paddle, TheFireKeyFiresFromTheMovedShip) {
    CurrentShipSprite = &ShipCSprite;
    Key(KEY_LCTRL, true);
    Key(KEY_RIGHT, true);
    Frame();
    EXPECT_EQ(Missiles[0].x1, 104 + 6);
}

TEST_F(Paddle, OtherShipsDoNotFireButTheCooldownCounts) {
    Key(KEY_LCTRL, true);
    FireCooldown = 0;
    for (int i = 0; i < 30; ++i) Frame();
    for (const MissilePair& shot : Missiles) EXPECT_EQ(shot.x1, -1);
    EXPECT_EQ(FireCooldown, 20);
    CurrentShipSprite = &ShipLSprite;
    Frame();
    EXPECT_EQ(Missiles[0].x1, -1);
}

TEST_F(Paddle, AFullMissileTableDropsTheShot) {
    for (int i = 0; i < MaxMissiles; ++i) FireMissiles(10 * i, 500);
    EXPECT_EQ(Missiles[9].x1, 96);
    FireMissiles(300, 500);
    for (const MissilePair& shot : Missiles) EXPECT_NE(shot.x1, 306);
    // An entry is free only when both of its missiles are gone.
    Missiles[4].x1 = -1;
    FireMissiles(300, 500);
    EXPECT_EQ(Missiles[4].x2, 40 + 49);
    Missiles[6].x1 = -1;
    Missiles[6].x2 = -1;
    FireMissiles(300, 500);
    EXPECT_EQ(Missiles[6].x1, 306);
}

TEST_F(Paddle, MissilesRiseFifteenAndGoAtTheTop) {
    Missiles[0] = {100, 20, 143, 10};
    UpdateMissiles();
    EXPECT_EQ(Missiles[0].y1, 5);
    EXPECT_EQ(Missiles[0].x1, 100);
    EXPECT_EQ(Missiles[0].x2, -1);  // y -5
    EXPECT_EQ(BackPixel(100, 5), playtest::MissileColour);
    UpdateMissiles();
    EXPECT_EQ(Missiles[0].x1, -1);
}

TEST_F(Paddle, MissilesHitBlocksAndUnbreakableBlocksAbsorbThem) {
    playtest::BuildLevel(5, 4, 40, 60, 48, 24, {3, 255}, {});
    BlocksToClear = 100;
    playtest::Cell(2, 1) = (2 << 8) | 1;  // two of three hits taken
    playtest::Cell(2, 3) = 2;             // unbreakable
    // Left missile into (2, 1), right one into (2, 3)... 43 pixels apart, so
    // the right one goes into column 2 (empty) and keeps flying.
    Missiles[0] = {100, 125, 143, 125};
    UpdateMissiles();
    EXPECT_EQ(playtest::Cell(2, 1), 0);
    EXPECT_EQ(Missiles[0].x1, -1);
    EXPECT_EQ(Missiles[0].x2, 143);
    EXPECT_EQ(BlocksBroken, 1);
    EXPECT_EQ(playtest::Score(), 250);

    Missiles[1] = {-1, 0, 200, 125};
    UpdateMissiles();
    EXPECT_EQ(playtest::Cell(2, 3), 2);
    EXPECT_EQ(Missiles[1].x2, -1);
}

TEST_F(Paddle, PHeldWaitsForItsReleaseAndTheWaitEndsWhenTheKeyboardStopsAnswering) {
    Key(KEY_P, true);
    PollKeyboard();
    pf::core::SetKeyboardAvailable(false);
    EXPECT_EQ(PlayInput(), GS_PAUSED);
    pf::core::SetKeyboardAvailable(true);
}

TEST_F(Paddle, AltTabSuspends) {
    Key(KEY_LALT, true);
    Key(KEY_TAB, true);
    EXPECT_EQ(PlayInput(), GS_SUSPENDED);
}

TEST_F(Paddle, RightAltWithTabDoesNotSuspend) {
    Key(184, true);
    Key(KEY_TAB, true);
    EXPECT_EQ(PlayInput(), GS_PLAYING);
}

}  // namespace
