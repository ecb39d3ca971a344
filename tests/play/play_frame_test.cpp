// The play frame: what it draws from which slot, the removal of lost balls,
// lives, the flip and the level change.
#include <filesystem>
#include <fstream>

#include "game/data/data.h"
#include "game/display/display.h"
#include "game/input/input.h"
#include "game/play/play.h"
#include "game/shell/shell.h"
#include "game/sound/sound.h"
#include "pf/ddraw.h"
#include "play/play_bench.h"

namespace {

using playtest::PlayBench;

class PlayFrameTest : public PlayBench {
protected:
    void PutBall(int i, float x, float y, float dx, float dy, int missed = 0) {
        Balls[i][ShownIndex] = Ball{x, y, 10.0f, dx, dy};
        Balls[i][DrawIndex] = Balls[i][ShownIndex];
        BallMissed[i] = missed;
    }
};

TEST_F(PlayFrameTest, DrawsShipAndBallsFromTheShownSlot) {
    ShipX[ShownIndex] = 200;
    ShipX[DrawIndex] = 400;
    PutBall(0, 300.7f, 100.9f, 0.5f, -0.5f);
    Balls[0][DrawIndex].x = 50.0f;
    ASSERT_TRUE(PlayFrameSteps());
    EXPECT_EQ(BackPixel(200, 550), playtest::ShipColour);
    EXPECT_EQ(BackPixel(400, 550), 0);
    EXPECT_EQ(BackPixel(300, 100), playtest::BallColour);  // truncated toward zero
    EXPECT_EQ(BackPixel(299, 100), 0);
    EXPECT_EQ(BackPixel(315, 115), playtest::BallColour);
    EXPECT_EQ(BackPixel(316, 100), 0);
}

TEST_F(PlayFrameTest, DrawsEveryOccupiedCell) {
    playtest::BuildLevel(3, 2, 40, 60, 48, 24, {1}, {1, 0, 1, 0, 1, 0});
    PaintSheet();
    ASSERT_TRUE(PlayFrameSteps());
    EXPECT_EQ(BackPixel(40, 60), playtest::BlockColour);
    EXPECT_EQ(BackPixel(88, 60), 0);
    EXPECT_EQ(BackPixel(136 + 47, 60 + 23), playtest::BlockColour);
    EXPECT_EQ(BackPixel(88, 84), playtest::BlockColour);
    EXPECT_EQ(BackPixel(40, 84), 0);
}

TEST_F(PlayFrameTest, SidePanelAndThreeLivesGoIntoBothBuffersThenStay) {
    RedrawPending = 1;
    RedrawCount = 0;
    ASSERT_TRUE(PlayFrameSteps());
    EXPECT_EQ(BackPixel(580, 190), playtest::LivesColour);
    EXPECT_EQ(BackPixel(615, 190), playtest::LivesColour);
    EXPECT_EQ(BackPixel(650, 190), playtest::LivesColour);
    EXPECT_EQ(BackPixel(685, 190), playtest::PanelColour);
    EXPECT_EQ(BackPixel(700, 100), playtest::PanelColour);
    EXPECT_EQ(RedrawCount, 1);
    FlipScreen();
    ASSERT_TRUE(PlayFrameSteps());
    EXPECT_EQ(BackPixel(650, 190), playtest::LivesColour);
    EXPECT_EQ(RedrawPending, 0);
    EXPECT_EQ(RedrawCount, 0);
    // The score box is refreshed every frame.
    EXPECT_EQ(BackPixel(565, 370), playtest::ScoreBoxColour);
}

TEST_F(PlayFrameTest, ABallRemovedFromTheMiddleLeavesTheOthersInOrderEachMovedOnce) {
    ShipX[ShownIndex] = 100;
    BallCount = 4;
    PutBall(0, 300.0f, 200.0f, 0.5f, -0.5f);
    PutBall(1, 400.0f, 580.0f, 0.0f, 1.0f, 1);  // lost in this frame
    PutBall(2, 50.0f, 100.0f, 0.5f, 0.5f);
    PutBall(3, 60.0f, 120.0f, -0.5f, 0.5f, 1);
    ASSERT_TRUE(PlayFrameSteps());
    ASSERT_EQ(BallCount, 3);
    EXPECT_EQ(Balls[0][DrawIndex].x, 305.0f);
    EXPECT_EQ(Balls[1][DrawIndex].x, 55.0f);  // the former ball 2
    EXPECT_EQ(Balls[1][DrawIndex].y, 105.0f);
    EXPECT_EQ(Balls[1][ShownIndex].x, 50.0f);
    EXPECT_EQ(BallMissed[1], 0);
    EXPECT_EQ(Balls[2][DrawIndex].x, 55.0f);  // the former ball 3
    EXPECT_EQ(Balls[2][DrawIndex].y, 125.0f);
    EXPECT_EQ(BallMissed[2], 1);
    EXPECT_EQ(Lives, 3);
}

TEST_F(PlayFrameTest, TwoNeighboursLostInOneFrame) {
    BallCount = 3;
    PutBall(0, 400.0f, 580.0f, 0.0f, 1.0f, 1);
    PutBall(1, 410.0f, 580.0f, 0.0f, 1.0f, 1);
    PutBall(2, 50.0f, 100.0f, 0.5f, 0.5f);
    ASSERT_TRUE(PlayFrameSteps());
    ASSERT_EQ(BallCount, 1);
    EXPECT_EQ(Balls[0][DrawIndex].x, 55.0f);
}

TEST_F(PlayFrameTest, ALostLifeResetsShipAndBallButKeepsCapsulesAndMissiles) {
    CurrentShipSprite = &ShipLSprite;
    CurrentBallSprite = &BallFSprite;
    ShipX[DrawIndex] = 400;
    ShipX[ShownIndex] = 400;
    PutBall(0, 100.0f, 580.0f, 0.0f, 1.0f, 1);
    Capsules[0] = {120, 517, CK_LONG_SHIP};
    Missiles[0] = {300, 300, 343, 300};
    RedrawPending = 0;
    PlayFrame();
    EXPECT_EQ(Lives, 2);
    EXPECT_EQ(BallCount, 1);
    EXPECT_EQ(CurrentShipSprite, &ShipSprite);
    EXPECT_EQ(CurrentBallSprite, &BallSprite);
    EXPECT_EQ(ShipX[0], 100);
    EXPECT_EQ(ShipX[1], 100);
    EXPECT_EQ(RedrawPending, 1);
    EXPECT_EQ(Capsules[0].kind, CK_LONG_SHIP);
    EXPECT_EQ(Capsules[0].y, 520);
    EXPECT_EQ(Missiles[0].y1, 285);
    EXPECT_EQ(GameState, GS_PLAYING);

    // The reset ship, now under the capsule, catches it when it reaches the
    // ship's top edge: 520 + 16 + 3k >= 550 after five more frames.
    for (int frame = 0; frame < 4; ++frame) PlayFrame();
    EXPECT_EQ(CurrentShipSprite, &ShipSprite);
    PlayFrame();
    EXPECT_EQ(CurrentShipSprite, &ShipLSprite);
    EXPECT_EQ(Capsules[0].kind, -1);
}

TEST_F(PlayFrameTest, TheLastBallOnTheLastLifeEndsTheGameWithoutInput) {
    Lives = 1;
    PutBall(0, 100.0f, 580.0f, 0.0f, 1.0f, 1);
    Key(KEY_RIGHT, true);
    Key(KEY_LCTRL, true);
    const int32_t cooldown = FireCooldown;
    ASSERT_TRUE(PlayFrameSteps());
    EXPECT_EQ(GameState, GS_GAME_OVER);
    EXPECT_EQ(Lives, 0);
    EXPECT_EQ(ShipSpeed, 0);  // PlayInput did not run
    EXPECT_EQ(FireCooldown, cooldown);
}

TEST_F(PlayFrameTest, AFailedFlipRecomputesFromTheSameSlot) {
    PutBall(0, 200.0f, 300.0f, 0.5f, -0.5f);
    Key(KEY_RIGHT, true);
    const int drawBefore = DrawIndex;
    RedrawPending = 0;
    pf::core::AddFault("Surface_Flip", 1, pf::DDERR_SURFACELOST);
    PlayFrame();
    EXPECT_EQ(DrawIndex, drawBefore);
    EXPECT_EQ(RedrawPending, 1);
    EXPECT_EQ(RedrawCount, 0);
    EXPECT_EQ(Balls[0][DrawIndex].x, 205.0f);
    EXPECT_EQ(ShipX[DrawIndex], 104);

    // The same slots again: the same ball and ship drawn and moved again
    // from the shown slot (the ship a second step faster).
    EXPECT_EQ(Balls[0][ShownIndex].x, 200.0f);
    PlayFrame();
    EXPECT_NE(DrawIndex, drawBefore);
    EXPECT_EQ(Balls[0][ShownIndex].x, 205.0f);
    EXPECT_EQ(Balls[0][ShownIndex].y, 295.0f);
    EXPECT_EQ(ShipX[ShownIndex], 108);
}

TEST_F(PlayFrameTest, FinishingLevelFourEndsTheGameWithTheMusicStopped) {
    PlayMusic("Data//track1.mdf");
    backend.audio.clear();
    CurrentLevel = 4;
    LevelDone = 1;
    const int presented = backend.presented;
    PlayFrame();
    EXPECT_EQ(GameState, GS_ALL_LEVELS_DONE);
    EXPECT_EQ(LevelDone, 1);
    EXPECT_EQ(CurrentLevel, 4);
    EXPECT_EQ(backend.presented, presented + 1);  // still flipped
    EXPECT_TRUE(backend.Heard("StopModule"));
    // The state machine passes on to the game over.
    EXPECT_EQ(GameStep(), 1);
    EXPECT_EQ(GameState, GS_GAME_OVER);
}

TEST_F(PlayFrameTest, AWarpCaughtOnLevelFourEndsTheGame) {
    CurrentLevel = 4;
    Capsules[2] = {ShipX[DrawIndex], 540, CK_WARP};
    PlayFrame();
    EXPECT_EQ(GameState, GS_ALL_LEVELS_DONE);
}

// Level files in a folder of their own, for the level change.
class LevelChange : public PlayFrameTest {
protected:
    void SetUp() override {
        PlayFrameTest::SetUp();
        folder = std::filesystem::temp_directory_path() /
                 ("vx-play-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder / "Data");
        previous = std::filesystem::current_path();
        std::filesystem::current_path(folder);
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
        PlayFrameTest::TearDown();
    }
    // The minimal level: 2 x 1 cells of 2 x 1 at (100, 50), one block type.
    void WriteLevel(int number) {
        std::vector<uint8_t> bytes;
        auto id = [&](const char* text) {
            for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(text[i]));
        };
        auto u16 = [&](int v) {
            bytes.push_back(static_cast<uint8_t>(v));
            bytes.push_back(static_cast<uint8_t>(v >> 8));
        };
        id("ALDF");
        u16(number);
        id("BLVD");
        u16(2), u16(1), u16(100), u16(50), u16(1);
        id("BLDA");
        u16(1), u16(2), u16(1);
        u16(1), u16(1), u16(0);
        for (int i = 0; i < 6; ++i) bytes.push_back(0x80);
        id("LLOD");
        u16(1), u16(0);
        char name[32];
        std::snprintf(name, sizeof name, "Data/Lvl%04d.ldf", number);
        std::ofstream(folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::filesystem::path folder;
    std::filesystem::path previous;
};

TEST_F(LevelChange, TheNextLevelIsLoadedInTheSameFrame) {
    playtest::BuildLevel(2, 2, 0, 0, 10, 10, {1}, {1, 1, 1, 1});
    WriteLevel(2);
    CurrentLevel = 1;
    LevelDone = 1;
    BlocksBroken = 7;
    ShipSpeed = 0;
    FireCooldown = 7;
    CurrentShipSprite = &ShipCSprite;
    Capsules[1] = {10, 10, CK_BONUS};
    Missiles[3] = {200, 300, 243, 300};
    PlayMusic("Data//track1.mdf");
    backend.audio.clear();
    RedrawPending = 0;
    PlayFrame();
    EXPECT_EQ(GameState, GS_PLAYING);
    EXPECT_EQ(CurrentLevel, 2);
    EXPECT_EQ(LevelDone, 0);
    EXPECT_EQ(BlocksBroken, 0);
    EXPECT_EQ(RedrawPending, 1);
    EXPECT_EQ(LayoutColumns, 2);
    EXPECT_EQ(LayoutX, 100);
    EXPECT_EQ(BlockTypeCount, 1);
    EXPECT_EQ(CurrentShipSprite, &ShipSprite);
    for (const Capsule& capsule : Capsules) EXPECT_EQ(capsule.kind, -1);
    for (const MissilePair& shot : Missiles) {
        EXPECT_EQ(shot.x1, -1);
        EXPECT_EQ(shot.x2, -1);
    }
    EXPECT_EQ(FireCooldown, 8);  // carried over, counted by this frame's input
    EXPECT_FALSE(backend.Heard("StopModule"));
    EXPECT_TRUE(FatalError == 0);
}

TEST_F(LevelChange, AMissingLevelFileQuitsWithoutFlipping) {
    playtest::BuildLevel(2, 2, 0, 0, 10, 10, {1}, {1, 1, 1, 1});
    CurrentLevel = 2;
    LevelDone = 1;
    const int presented = backend.presented;
    PlayFrame();
    EXPECT_EQ(GameState, GS_QUIT);
    EXPECT_STREQ(ErrorText, "[LevelCompleted] Unable to read level data\n");
    EXPECT_EQ(backend.presented, presented);
    EXPECT_EQ(LayoutArray, nullptr);
}

TEST_F(LevelChange, AnOffscreenThatWillNotLockQuits) {
    WriteLevel(2);
    LevelDone = 1;
    pf::core::AddFault("Surface_Lock", 1, pf::DDERR_SURFACELOST);
    PlayFrame();
    EXPECT_EQ(GameState, GS_QUIT);
    EXPECT_STREQ(ErrorText, "[LevelCompleted] Unable to lock offscreen surface\n");
}

}  // namespace
