// Capsules: where they start, the kinds the draws give, and the effect of
// each kind when caught.
#include <gtest/gtest.h>

#include <cmath>

#include "game/data/data.h"
#include "game/play/play.h"
#include "play/play_setup.h"
#include "pf/random.h"

namespace {

using playtest::Score;

class CapsuleRules : public ::testing::Test {
protected:
    void SetUp() override {
        Record = ProgramRecord{};
        playtest::UsePlaySprites();
        ResetPaddleAndBall();
        for (Capsule& capsule : Capsules) capsule.kind = -1;
        LayoutX = 40;
        LayoutY = 60;
        CellWidth = 48;
        CellHeight = 24;
    }
};

TEST_F(CapsuleRules, StartsThreeRightAndTwoBelowTheCellCorner) {
    playtest::SeedFirstDraw(0);
    ReleaseCapsule(3, 2);  // column 3, row 2
    EXPECT_EQ(Capsules[0].x, 187);
    EXPECT_EQ(Capsules[0].y, 110);
    EXPECT_EQ(Capsules[0].kind, CK_BONUS);
}

TEST_F(CapsuleRules, TheDrawChoosesTheKindByTheTable) {
    struct Row {
        int r;
        int32_t kind;
    };
    const Row rows[] = {
        {0, CK_BONUS},           {25, CK_BONUS},          {26, CK_NORMAL},
        {50, CK_NORMAL},         {51, CK_LONG_SHIP},      {63, CK_LONG_SHIP},
        {64, CK_CANNON_SHIP},    {73, CK_CANNON_SHIP},    {74, CK_FIRE_BALL},
        {83, CK_FIRE_BALL},      {84, CK_MULTI_BALL},     {90, CK_MULTI_BALL},
        {91, CK_FIRE_MULTI_BALL}, {96, CK_FIRE_MULTI_BALL}, {97, CK_WARP},
        {99, CK_WARP},
    };
    for (const Row& row : rows) {
        Capsules[0].kind = -1;
        playtest::SeedFirstDraw(row.r);
        ReleaseCapsule(0, 0);
        EXPECT_EQ(Capsules[0].kind, row.kind) << "draw " << row.r;
    }
}

TEST_F(CapsuleRules, TakesTheFirstFreeEntryAndNoneWhenFiveFall) {
    Capsules[0].kind = CK_WARP;
    Capsules[2].kind = CK_WARP;
    ReleaseCapsule(1, 1);
    EXPECT_NE(Capsules[1].kind, -1);
    EXPECT_EQ(Capsules[3].kind, -1);

    for (Capsule& capsule : Capsules) capsule = {5, 5, CK_NORMAL};
    pf::srand(5);
    const int next = pf::rand();
    pf::srand(5);
    ReleaseCapsule(1, 1);
    for (const Capsule& capsule : Capsules) EXPECT_EQ(capsule.x, 5);
    EXPECT_EQ(pf::rand(), next);  // no draw made for a kind
}

TEST_F(CapsuleRules, ShipAndBallKinds) {
    BallCount = 4;
    ApplyCapsule(CK_LONG_SHIP);
    EXPECT_EQ(CurrentShipSprite, &ShipLSprite);
    EXPECT_EQ(CurrentBallSprite, &BallSprite);
    EXPECT_EQ(BallCount, 1);

    ApplyCapsule(CK_CANNON_SHIP);
    EXPECT_EQ(CurrentShipSprite, &ShipCSprite);

    ApplyCapsule(CK_FIRE_BALL);
    EXPECT_EQ(CurrentShipSprite, &ShipSprite);
    EXPECT_EQ(CurrentBallSprite, &BallFSprite);

    ApplyCapsule(CK_NORMAL);
    EXPECT_EQ(CurrentShipSprite, &ShipSprite);
    EXPECT_EQ(CurrentBallSprite, &BallSprite);
    EXPECT_EQ(BallCount, 1);
}

TEST_F(CapsuleRules, BonusAddsExactlyAThousandAndEndsOtherEffects) {
    playtest::SetScore(12'000);
    CurrentShipSprite = &ShipCSprite;
    CurrentBallSprite = &BallFSprite;
    BallCount = 6;
    ApplyCapsule(CK_BONUS);
    EXPECT_EQ(Score(), 13'000);
    EXPECT_EQ(CurrentShipSprite, &ShipSprite);
    EXPECT_EQ(CurrentBallSprite, &BallSprite);
    EXPECT_EQ(BallCount, 1);
}

TEST_F(CapsuleRules, FireBallWithSixBallsLiveLeavesOneFireBall) {
    BallCount = 6;
    ApplyCapsule(CK_FIRE_BALL);
    EXPECT_EQ(BallCount, 1);
    EXPECT_EQ(CurrentBallSprite, &BallFSprite);
}

TEST_F(CapsuleRules, MultiBallStartsFiveBallsFromBallZerosSlotZero) {
    BallCount = 3;
    Balls[0][0] = Ball{200.0f, 300.0f, 10.0f, 0.4f, -0.6f};
    Balls[0][1] = Ball{204.0f, 294.0f, 10.0f, 0.4f, -0.6f};
    BallMissed[3] = 1;
    const unsigned seed = 1234;
    pf::srand(seed);
    float expectedDx[6];
    for (int i = 1; i < 6; ++i) {
        const float f = static_cast<float>(pf::rand() % 100) * 0.01f;
        expectedDx[i] = pf::rand() % 100 <= 50 ? f : -f;
    }
    pf::srand(seed);
    ApplyCapsule(CK_MULTI_BALL);

    EXPECT_EQ(BallCount, 6);
    EXPECT_EQ(CurrentBallSprite, &BallSprite);
    EXPECT_EQ(Balls[0][1].x, 204.0f);  // ball 0 unchanged
    for (int i = 1; i < 6; ++i) {
        for (int slot = 0; slot < 2; ++slot) {
            const Ball& ball = Balls[i][slot];
            EXPECT_EQ(ball.x, 200.0f);
            EXPECT_EQ(ball.y, 300.0f);
            EXPECT_EQ(ball.speed, 10.0f);
            EXPECT_EQ(ball.dx, expectedDx[i]);
            EXPECT_LT(ball.dy, 0.0f);
            EXPECT_NEAR(std::fabs(ball.dx) + std::fabs(ball.dy), 1.0f, 1e-6f);
        }
        EXPECT_EQ(BallMissed[i], 0);
    }
}

TEST_F(CapsuleRules, FireMultiBallGivesSixFireBalls) {
    ApplyCapsule(CK_FIRE_MULTI_BALL);
    EXPECT_EQ(BallCount, 6);
    EXPECT_EQ(CurrentBallSprite, &BallFSprite);
    EXPECT_EQ(CurrentShipSprite, &ShipSprite);
}

TEST_F(CapsuleRules, SecondDrawAboveFiftySendsTheBallLeft) {
    // First draw 40 (f = 0.4), second 51: left.
    playtest::SeedWhere([] { return pf::rand() % 100 == 40 && pf::rand() % 100 == 51; });
    ApplyCapsule(CK_MULTI_BALL);
    EXPECT_FLOAT_EQ(Balls[1][0].dx, -0.4f);
    EXPECT_FLOAT_EQ(Balls[1][0].dy, -0.6f);
    playtest::SeedWhere([] { return pf::rand() % 100 == 40 && pf::rand() % 100 == 50; });
    ApplyCapsule(CK_MULTI_BALL);
    EXPECT_FLOAT_EQ(Balls[1][1].dx, 0.4f);
}

TEST_F(CapsuleRules, WarpOnlyFinishesTheLevel) {
    CurrentShipSprite = &ShipLSprite;
    BallCount = 3;
    ApplyCapsule(CK_WARP);
    EXPECT_EQ(LevelDone, 1);
    EXPECT_EQ(CurrentShipSprite, &ShipLSprite);
    EXPECT_EQ(BallCount, 3);
}

TEST_F(CapsuleRules, UnknownKindsDoNothing) {
    CurrentShipSprite = &ShipLSprite;
    ApplyCapsule(8);
    ApplyCapsule(-1);
    EXPECT_EQ(CurrentShipSprite, &ShipLSprite);
    EXPECT_EQ(LevelDone, 0);
}

}  // namespace
