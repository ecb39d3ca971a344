// Ball motion: the side walls, the ceiling, the bottom and the ship.
#include <gtest/gtest.h>

#include "game/data/data.h"
#include "game/play/play.h"
#include "play/play_setup.h"

namespace {

using playtest::BallSize;
using playtest::ShipWidth;

class BallMotion : public ::testing::Test {
protected:
    void SetUp() override {
        Record = ProgramRecord{};
        playtest::UsePlaySprites();
        ResetPaddleAndBall();
        DrawIndex = 0;
        ShownIndex = 1;
    }
    void TearDown() override { ReleaseLevel(); }

    Ball& A() { return Balls[0][ShownIndex]; }
    Ball& B() { return Balls[0][DrawIndex]; }
    // Ball 0 in slot ShownIndex; slot DrawIndex holds stale values that every
    // rule must overwrite.
    void Place(float x, float y, float dx, float dy) {
        A() = Ball{x, y, 10.0f, dx, dy};
        B() = Ball{-7.0f, -7.0f, 10.0f, 9.0f, 9.0f};
    }
    // The next frame continues from the position just written.
    void Continue() {
        A().x = B().x;
        A().y = B().y;
    }
};

TEST_F(BallMotion, ResetPutsShipAndBallAtStartInBothSlots) {
    for (int slot = 0; slot < 2; ++slot) {
        EXPECT_EQ(ShipX[slot], 100);
        EXPECT_EQ(ShipY[slot], 550);
        EXPECT_EQ(Balls[0][slot].x, 110.0f);
        EXPECT_EQ(Balls[0][slot].y, 430.0f);
        EXPECT_EQ(Balls[0][slot].speed, 10.0f);
        EXPECT_EQ(Balls[0][slot].dx, 0.4f);
        EXPECT_EQ(Balls[0][slot].dy, -0.6f);
    }
    EXPECT_EQ(CurrentShipSprite, &ShipSprite);
    EXPECT_EQ(CurrentBallSprite, &BallSprite);
    EXPECT_EQ(BallCount, 1);
}

TEST_F(BallMotion, MovesAlongItsDirectionIntoSlotDrawIndex) {
    Place(200.0f, 300.0f, 0.5f, -0.5f);
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(B().x, 205.0f);
    EXPECT_EQ(B().y, 295.0f);
    EXPECT_EQ(A().x, 200.0f);  // the shown slot keeps its position
}

TEST_F(BallMotion, LeftWallReversesDxInBothSlotsAndPlacesAtZero) {
    Place(3.0f, 300.0f, -0.5f, -0.5f);
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(B().x, 0.0f);
    EXPECT_EQ(B().y, 295.0f);
    EXPECT_EQ(A().dx, 0.5f);
    EXPECT_EQ(B().dx, 0.5f);
    EXPECT_EQ(B().dy, 9.0f);  // dy was not reversed, so not copied
}

TEST_F(BallMotion, RightWallPlacesAt550LessWidth) {
    Place(532.0f, 300.0f, 0.5f, -0.5f);
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(B().x, static_cast<float>(550 - BallSize));
    EXPECT_EQ(A().dx, -0.5f);
    EXPECT_EQ(B().dx, -0.5f);
}

TEST_F(BallMotion, RightWallNotTouchedAtExactly550LessWidth) {
    Place(529.0f, 300.0f, 0.5f, -0.5f);  // nx = 534 = 550 - 16
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(B().x, 534.0f);
    EXPECT_EQ(A().dx, 0.5f);
}

TEST_F(BallMotion, CeilingReversesDyAndPlacesAtZero) {
    Place(200.0f, 3.0f, 0.5f, -0.5f);
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(B().y, 0.0f);
    EXPECT_EQ(A().dy, 0.5f);
    EXPECT_EQ(B().dy, 0.5f);
}

TEST_F(BallMotion, BottomEdgeExactlyAt600IsNotLost) {
    ShipX[ShownIndex] = 400;  // far from the ball
    Place(100.0f, 574.0f, 0.0f, 1.0f);
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(B().y, static_cast<float>(600 - BallSize));
}

TEST_F(BallMotion, PastTheBottomIsLostAndNotStored) {
    ShipX[ShownIndex] = 400;
    Place(100.0f, 575.0f, 0.0f, 1.0f);
    EXPECT_FALSE(UpdateBall(0));
    EXPECT_EQ(B().x, -7.0f);
    EXPECT_EQ(B().y, -7.0f);
}

TEST_F(BallMotion, CentreOfTheShipSendsTheBallStraightUp) {
    ShipX[ShownIndex] = 100;
    // Ball centre 124 + 8 = ship centre 100 + 32.
    Place(124.0f, 530.0f, 0.0f, 1.0f);
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(A().dx, 0.0f);
    EXPECT_EQ(A().dy, -1.0f);
    EXPECT_EQ(B().dx, 0.0f);
    EXPECT_EQ(B().dy, -1.0f);
    EXPECT_EQ(B().y, static_cast<float>(550 - BallSize));
    EXPECT_EQ(B().x, 124.0f);
    EXPECT_EQ(BallMissed[0], 0);
}

TEST_F(BallMotion, ShipEndsTurnTheBallByPointEight) {
    ShipX[ShownIndex] = 100;
    Place(156.0f, 530.0f, 0.0f, 1.0f);  // centre 164 = right end
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_FLOAT_EQ(A().dx, 0.8f);
    EXPECT_FLOAT_EQ(A().dy, -0.2f);

    Place(92.0f, 530.0f, 0.0f, 1.0f);  // centre 100 = left end
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_FLOAT_EQ(B().dx, -0.8f);
    EXPECT_FLOAT_EQ(B().dy, -0.2f);
}

TEST_F(BallMotion, HitOffsetComesFromThePreviousPosition) {
    ShipX[ShownIndex] = 100;
    // Moving right: nx is 5 further, but the offset uses A.x (centre 132).
    Place(124.0f, 532.0f, 0.5f, 0.5f);
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(A().dx, 0.0f);
    EXPECT_EQ(B().x, 129.0f);
}

TEST_F(BallMotion, BallOverhangingTheShipEndIsStillReturned) {
    ShipX[ShownIndex] = 100;
    // bx 163 < 164: returned; the centre lies beyond the end, |dx| > 0.8.
    Place(163.0f, 530.0f, 0.0f, 1.0f);
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_GT(A().dx, 0.8f);
    EXPECT_LT(A().dy, 0.0f);
}

TEST_F(BallMotion, ABallPastTheShipEdgeIsNeverReturned) {
    ShipX[ShownIndex] = 100;
    Place(164.0f, 530.0f, 0.0f, 1.0f);  // bx = px + sw: beside the ship
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(BallMissed[0], 1);
    EXPECT_EQ(B().y, 540.0f);
    EXPECT_EQ(A().dy, 1.0f);

    // The ship moves right under the ball: it still falls through.
    ShipX[ShownIndex] = 140;
    Continue();
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(A().dy, 1.0f);
    EXPECT_EQ(B().y, 550.0f);
    int frames = 0;
    for (; frames < 10; ++frames) {
        Continue();
        if (!UpdateBall(0)) break;
    }
    EXPECT_EQ(frames, 3);  // 560, 570 and 580 stored; 590 is lost
}

TEST_F(BallMotion, ShipTestUsesTheShownSlot) {
    ShipX[ShownIndex] = 400;
    ShipX[DrawIndex] = 100;  // where PlayInput would put the ship: not read
    Place(124.0f, 530.0f, 0.0f, 1.0f);
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(BallMissed[0], 1);
}

TEST_F(BallMotion, BallAboveTheShipIsNotTested) {
    ShipX[ShownIndex] = 100;
    Place(124.0f, 520.0f, 0.0f, 1.0f);  // bottom edge 546 < 550
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(A().dy, 1.0f);
    EXPECT_EQ(BallMissed[0], 0);
}

TEST_F(BallMotion, NarrowSpriteWidthsUseIntegerHalves) {
    // An odd ship width halves to the integer below: sw 65 -> 32, centre 132.
    ShipSprite.width = 65;
    ShipX[ShownIndex] = 100;
    Place(124.0f, 530.0f, 0.0f, 1.0f);
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(A().dx, 0.0f);
}

}  // namespace
