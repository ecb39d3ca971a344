// Balls against blocks: the side a ball came from, fire balls, the hits a
// block takes, the score and the end of a level.
#include <gtest/gtest.h>

#include "game/data/data.h"
#include "game/play/play.h"
#include "play/play_setup.h"
#include "pf/random.h"

namespace {

using playtest::BuildLevel;
using playtest::Cell;
using playtest::Score;

// Block types: 0 breaks at the first hit, 1 is unbreakable, 2 takes 3 hits.
constexpr uint16_t Single = 1;
constexpr uint16_t Unbreakable = 2;
constexpr uint16_t Triple = 3;

class Blocks : public ::testing::Test {
protected:
    void SetUp() override {
        Record = ProgramRecord{};
        playtest::UsePlaySprites();
        ResetPaddleAndBall();
        DrawIndex = 0;
        ShownIndex = 1;
        for (Capsule& capsule : Capsules) capsule.kind = -1;
        // 5 x 4 cells of 48 x 24 at (40, 60): columns start at 40, 88, 136,
        // 184, 232; rows at 60, 84, 108, 132.
        BuildLevel(5, 4, 40, 60, 48, 24, {1, 255, 3}, {});
        BlocksToClear = 100;
        // No capsule draws unless a test wants one.
        playtest::SeedFirstDraw(0);
    }
    void TearDown() override { ReleaseLevel(); }

    Ball& A() { return Balls[0][ShownIndex]; }
    Ball& B() { return Balls[0][DrawIndex]; }
    void Place(float x, float y, float dx, float dy) {
        A() = Ball{x, y, 10.0f, dx, dy};
        B() = A();
    }
};

TEST_F(Blocks, FromBelowReversesDyOnlyAndSitsUnderTheBlock) {
    Cell(2, 1) = Single;
    Place(100.0f, 135.0f, 0.0f, -1.0f);  // row 3 -> row 2
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(A().dy, 1.0f);
    EXPECT_EQ(B().dy, 1.0f);
    EXPECT_EQ(A().dx, 0.0f);
    EXPECT_EQ(B().y, 132.0f);  // top edge on the block's bottom edge
    EXPECT_EQ(B().x, 100.0f);
    EXPECT_EQ(Cell(2, 1), 0);
    EXPECT_EQ(Score(), 250);
}

TEST_F(Blocks, FromAboveSitsOnTheBlock) {
    Cell(2, 1) = Single;
    Place(100.0f, 100.0f, 0.0f, 1.0f);  // row 1 -> row 2
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(A().dy, -1.0f);
    EXPECT_EQ(B().y, static_cast<float>(108 - playtest::BallSize));
}

TEST_F(Blocks, FromTheLeftAndFromTheRight) {
    Cell(2, 2) = Single;
    Place(130.0f, 110.0f, 1.0f, 0.0f);  // column 1 -> column 2
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(A().dx, -1.0f);
    EXPECT_EQ(B().x, static_cast<float>(136 - playtest::BallSize));
    EXPECT_EQ(B().y, 110.0f);

    Cell(2, 2) = Single;
    Place(186.0f, 110.0f, -1.0f, 0.0f);  // column 3 -> column 2
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(A().dx, 1.0f);
    EXPECT_EQ(B().x, 184.0f);
}

TEST_F(Blocks, CornerHitReversesBoth) {
    Cell(2, 2) = Single;
    Place(132.0f, 105.0f, 0.5f, 0.5f);  // (col 1, row 1) -> (col 2, row 2)
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(A().dx, -0.5f);
    EXPECT_EQ(A().dy, -0.5f);
    EXPECT_EQ(B().x, static_cast<float>(136 - playtest::BallSize));
    EXPECT_EQ(B().y, static_cast<float>(108 - playtest::BallSize));
}

TEST_F(Blocks, FromOutsideTheGridCountsAsColumnAndRowMinusOne) {
    Cell(0, 0) = Single;
    Place(35.0f, 55.0f, 0.5f, 0.5f);  // from above-left of the grid
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(A().dx, -0.5f);
    EXPECT_EQ(A().dy, -0.5f);
    EXPECT_EQ(B().x, static_cast<float>(40 - playtest::BallSize));
    EXPECT_EQ(B().y, static_cast<float>(60 - playtest::BallSize));
}

TEST_F(Blocks, SameCellAsBeforeTurnsNeitherButHits) {
    Cell(2, 1) = Triple;
    Place(100.0f, 110.0f, 0.5f, 0.5f);  // stays inside cell (2, 1)
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(A().dx, 0.5f);
    EXPECT_EQ(A().dy, 0.5f);
    EXPECT_EQ(B().x, 105.0f);
    EXPECT_EQ(Cell(2, 1), (1 << 8) | Triple);
}

TEST_F(Blocks, EmptyCellsLetTheBallThroughWithoutShipOrLossTests) {
    // A grid reaching the bottom: inside it the ball is never lost.
    BuildLevel(2, 2, 0, 500, 100, 50, {1}, {});
    Place(10.0f, 580.0f, 0.0f, 1.0f);
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(B().y, 590.0f);
    EXPECT_EQ(BallMissed[0], 0);
}

TEST_F(Blocks, NormalBallBouncesOffAnUnbreakableBlockWhichStays) {
    Cell(2, 1) = Unbreakable;
    Place(100.0f, 135.0f, 0.0f, -1.0f);
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(A().dy, 1.0f);
    EXPECT_EQ(Cell(2, 1), Unbreakable);
    EXPECT_EQ(Score(), 0);
    EXPECT_EQ(BlocksBroken, 0);
}

TEST_F(Blocks, UnbreakableBlockStaysWhateverHitsItsCellRecords) {
    Cell(2, 1) = (255 << 8) | Unbreakable;
    DamageBlock(2, 1, false);
    EXPECT_EQ(Cell(2, 1), (255 << 8) | Unbreakable);
}

TEST_F(Blocks, FireBallPassesThroughAndRemovesUnbreakableBlocks) {
    CurrentBallSprite = &BallFSprite;
    Cell(2, 1) = Unbreakable;
    Place(100.0f, 135.0f, 0.0f, -1.0f);
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(A().dy, -1.0f);
    EXPECT_EQ(B().y, 125.0f);  // not placed: passes through
    EXPECT_EQ(Cell(2, 1), 0);
    EXPECT_EQ(Score(), 250);
    EXPECT_EQ(BlocksBroken, 0);  // unbreakable blocks do not count
}

TEST_F(Blocks, FireBallBreaksAMultiHitBlockAtOnce) {
    CurrentBallSprite = &BallFSprite;
    Cell(1, 1) = Triple;
    DamageBlock(1, 1, true);
    EXPECT_EQ(Cell(1, 1), 0);
    EXPECT_EQ(BlocksBroken, 1);
}

TEST_F(Blocks, HitsCountUpToHitsToBreak) {
    Cell(1, 1) = (1 << 8) | Triple;  // the level file gave it one hit already
    DamageBlock(1, 1, false);
    EXPECT_EQ(Cell(1, 1), (2 << 8) | Triple);
    EXPECT_EQ(Score(), 0);
    DamageBlock(1, 1, false);
    EXPECT_EQ(Cell(1, 1), 0);
    EXPECT_EQ(Score(), 250);
    EXPECT_EQ(BlocksBroken, 1);
}

TEST_F(Blocks, HitCountWrapsAtEightBits) {
    BuildLevel(1, 1, 40, 60, 48, 24, {300}, {(255 << 8) | 1});
    DamageBlock(0, 0, false);
    EXPECT_EQ(Cell(0, 0), 1);  // 256 hits stored as 0: never breaks
    EXPECT_EQ(BlocksBroken, 0);
}

TEST_F(Blocks, DamageOutsideTheGridOrOnEmptyAndUnknownCellsDoesNothing) {
    DamageBlock(1, 1, false);
    DamageBlock(-1, 0, true);
    DamageBlock(4, 0, true);
    DamageBlock(0, 5, true);
    Cell(3, 4) = 9;  // names block type 8 of a table of 3
    DamageBlock(3, 4, true);
    EXPECT_EQ(Cell(3, 4), 9);
    EXPECT_EQ(Score(), 0);
    // The ball treats such a cell as empty.
    Place(235.0f, 140.0f, 0.0f, -1.0f);
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(A().dy, -1.0f);
}

TEST_F(Blocks, TheLastBlockToClearFinishesTheLevel) {
    BlocksToClear = 10;
    for (int j = 0; j < 5; ++j) {
        Cell(0, j) = Single;
        Cell(1, j) = Single;
    }
    Cell(3, 0) = Unbreakable;
    for (int j = 0; j < 5; ++j) DamageBlock(0, j, false);
    for (int j = 0; j < 4; ++j) DamageBlock(1, j, false);
    DamageBlock(3, 0, true);  // a fire hit on an unbreakable block does not count
    EXPECT_EQ(BlocksBroken, 9);
    EXPECT_EQ(LevelDone, 0);
    // The tenth, by a ball from below.
    Place(235.0f, 110.0f, 0.0f, -1.0f);
    ASSERT_TRUE(UpdateBall(0));
    EXPECT_EQ(BlocksBroken, 10);
    EXPECT_EQ(LevelDone, 1);
}

TEST_F(Blocks, ABrokenBlockReleasesACapsuleOnADrawAbove90) {
    Cell(2, 3) = Single;
    playtest::SeedFirstDraw(90);
    DamageBlock(2, 3, false);
    EXPECT_EQ(Capsules[0].kind, -1);

    Cell(2, 3) = Single;
    playtest::SeedFirstDraw(91);
    DamageBlock(2, 3, false);
    EXPECT_NE(Capsules[0].kind, -1);
    EXPECT_EQ(Capsules[0].x, 40 + 3 * 48 + 3);
    EXPECT_EQ(Capsules[0].y, 60 + 2 * 24 + 2);
}

TEST_F(Blocks, AHitThatDoesNotBreakDrawsNothing) {
    Cell(1, 1) = Triple;
    pf::srand(77);
    const int expected = pf::rand();
    pf::srand(77);
    DamageBlock(1, 1, false);
    EXPECT_EQ(pf::rand(), expected);
}

TEST(Score, AddsTwoHundredFiftyWithCarries) {
    Record = ProgramRecord{};
    AddBlockScore();
    EXPECT_EQ(Score(), 250);
    AddBlockScore();
    AddBlockScore();
    AddBlockScore();
    EXPECT_EQ(Score(), 1000);
    playtest::SetScore(99'999'875);
    AddBlockScore();
    EXPECT_EQ(Score(), 100'000'125);
}

TEST(Score, NineDigitsWrapToZero) {
    Record = ProgramRecord{};
    playtest::SetScore(999'999'750);
    AddBlockScore();
    EXPECT_EQ(Score(), 0);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(ScoreDigits[i], 0) << i;
    playtest::SetScore(999'999'999);
    AddBlockScore();
    EXPECT_EQ(Score(), 249);
}

}  // namespace
