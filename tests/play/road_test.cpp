// The road through the game on the default Data folder: a scripted ship that
// follows the balls plays level 1 to its end, then a whole game of four
// levels from the menu back to the menu; and leaving play with Escape.
#include <cmath>
#include <filesystem>
#include <fstream>

#include "game/data/data.h"
#include "game/input/input.h"
#include "game/play/play.h"
#include "game/screens/screens.h"
#include "game/shell/shell.h"
#include "play/play_bench.h"

namespace {

namespace fs = std::filesystem;

class Road : public playtest::PlayBench {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 (std::string("vx-road-") +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::copy(VX_DATA_DIR, folder / "Data", fs::copy_options::recursive);
        previous = fs::current_path();
        fs::current_path(folder);
        PlayBench::SetUp();
    }
    void TearDown() override {
        backend.onPump = nullptr;
        PlayBench::TearDown();
        fs::current_path(previous);
        fs::remove_all(folder);
    }

    // A hall of fame that no game of ours reaches: no name entry.
    void WriteUnreachableHallOfFame() {
        HallOfFameRecord table[HallOfFameSize] = {};
        for (HallOfFameRecord& row : table) {
            for (int i = 1; i < 10; ++i) row.score[i] = '9';
            row.name[0] = 'A';
            row.level[0] = '4';
        }
        std::ofstream(folder / "Data" / "hiscore.dat", std::ios::binary)
            .write(reinterpret_cast<const char*>(table), sizeof table);
    }

    // The scripted player: puts the ship under where the lowest falling ball
    // will meet the ship's top edge, a little off centre so that no ball goes
    // straight up for ever, and keeps the cannon firing.
    void Steer(long frame) {
        const int sw = CurrentShipSprite->width;
        const int w = CurrentBallSprite->width;
        const int h = CurrentBallSprite->height;
        int chosen = -1;
        for (int i = 0; i < BallCount; ++i) {
            const Ball& ball = Balls[i][ShownIndex];
            if (BallMissed[i] || ball.dy <= 0.0f) continue;
            if (chosen < 0 || ball.y > Balls[chosen][ShownIndex].y) chosen = i;
        }
        if (chosen < 0) chosen = 0;
        const Ball& ball = Balls[chosen][ShownIndex];
        float x = ball.x;
        float y = ball.y;
        float dx = ball.dx;
        if (ball.dy > 0.0f) {
            while (y + h < ShipY[ShownIndex]) {
                x += dx * ball.speed;
                y += ball.dy * ball.speed;
                if (x < 0) x = -x, dx = -dx;
                if (x > 550 - w) x = 2 * (550 - w) - x, dx = -dx;
            }
        }
        const int offset = (frame / 500) % 2 == 0 ? 10 : -10;
        const float target = x + w / 2.0f + offset;
        const float centre = static_cast<float>(ShipX[ShownIndex] + sw / 2);
        Key(KEY_LEFT, centre > target + 6);
        Key(KEY_RIGHT, centre < target - 6);
        Key(KEY_LCTRL, true);
    }

    fs::path folder;
    fs::path previous;
};

TEST_F(Road, TheScriptedShipPlaysLevelOneToItsEnd) {
    ASSERT_EQ(StartNewGame(), GS_PLAYING) << ErrorText;
    GameState = GS_PLAYING;
    ASSERT_EQ(CurrentLevel, 1);
    const int toClear = BlocksToClear;
    ASSERT_GT(toClear, 0);
    long frame = 0;
    int brokenBefore = 0;
    for (; frame < 200'000 && CurrentLevel == 1 && GameState == GS_PLAYING; ++frame) {
        Steer(frame);
        brokenBefore = BlocksBroken;
        ASSERT_EQ(GameStep(), 1);
    }
    EXPECT_EQ(GameState, GS_PLAYING) << "after " << frame << " frames, lives " << Lives;
    EXPECT_EQ(CurrentLevel, 2) << BlocksBroken << " of " << toClear << " after " << frame;
    EXPECT_GT(brokenBefore, 0);
    EXPECT_GT(playtest::Score(), 0);
    EXPECT_EQ(LevelDone, 0);
    EXPECT_EQ(BlocksBroken, 0);
    EXPECT_NE(LayoutArray, nullptr);
    EXPECT_EQ(FatalError, 0) << ErrorText;
    std::printf("level 1 took %ld frames, score %lld, lives %d\n", frame,
                static_cast<long long>(playtest::Score()), Lives);
}

TEST_F(Road, AWholeGameOfFourLevelsFromTheMenuBackToTheMenu) {
    WriteUnreachableHallOfFame();
    GameState = GS_INTRO;
    for (int step = 0; step < 10 && GameState != GS_MENU; ++step) ASSERT_EQ(GameStep(), 1);
    ASSERT_EQ(GameState, GS_MENU) << ErrorText;

    Key(KEY_RETURN, true);
    ASSERT_EQ(GameStep(), 1);
    Key(KEY_RETURN, false);
    ASSERT_EQ(GameState, GS_PLAYING) << ErrorText;
    ASSERT_EQ(CurrentLevel, 1);

    ASSERT_TRUE(backend.Heard("PlayModule"));
    int highestLevel = 1;
    bool allDone = false;
    size_t audioAtAllDone = 0;
    bool gameOver = false;
    long frame = 0;
    for (; frame < 800'000 && GameState != GS_MENU && GameState != GS_QUIT; ++frame) {
        if (GameState == GS_PLAYING) Steer(frame);
        if (GameState == GS_ALL_LEVELS_DONE) {
            if (!allDone) audioAtAllDone = backend.audio.size();
            allDone = true;
            EXPECT_EQ(LevelDone, 1);
            EXPECT_EQ(CurrentLevel, 4);
        }
        if (GameState == GS_GAME_OVER) gameOver = true;
        ASSERT_EQ(GameStep(), 1);
        if (CurrentLevel > highestLevel) highestLevel = CurrentLevel;
    }
    ReleaseKeys();
    EXPECT_EQ(highestLevel, 4);
    EXPECT_TRUE(allDone) << "lives " << Lives << " level " << CurrentLevel << " after " << frame;
    EXPECT_TRUE(gameOver);
    EXPECT_EQ(GameState, GS_MENU) << ErrorText;
    EXPECT_GT(Lives, 0);
    EXPECT_EQ(FatalError, 0) << ErrorText;
    // The play music was stopped when level 4 ended, and the menu music
    // started after the game.
    ASSERT_GT(audioAtAllDone, 0u);
    EXPECT_NE(backend.audio[audioAtAllDone - 1].find("Module"), std::string::npos);
    bool stoppedAtEnd = false;
    for (size_t i = audioAtAllDone; i-- > 0;) {
        if (backend.audio[i].find("PlayModule") != std::string::npos) break;
        if (backend.audio[i].find("StopModule") != std::string::npos) stoppedAtEnd = true;
    }
    EXPECT_TRUE(stoppedAtEnd);
    EXPECT_TRUE(backend.HeardSince(audioAtAllDone, "menu.mdf"));
    std::printf("four levels took %ld frames, score %lld, lives %d\n", frame,
                static_cast<long long>(playtest::Score()), Lives);
}

TEST_F(Road, EscapeLoadsTheMenuAtOnceAndShowsItWhenReleased) {
    ASSERT_EQ(StartNewGame(), GS_PLAYING) << ErrorText;
    GameState = GS_PLAYING;
    const size_t audioBefore = backend.audio.size();
    Key(KEY_ESCAPE, true);
    unsigned long pressedAt = 0;
    bool released = false;
    backend.onPump = [&] {
        if (pressedAt == 0 && MenuSelection == 0 && RedrawPending && LayoutArray == nullptr)
            pressedAt = backend.pumps;  // the menu set is in
        if (pressedAt != 0 && !released && backend.pumps > pressedAt + 40) {
            pf::core::SetKey(KEY_ESCAPE, false);
            released = true;
        }
    };
    MenuSelection = 1;
    PlayFrame();
    EXPECT_TRUE(released);
    EXPECT_EQ(GameState, GS_MENU);
    EXPECT_EQ(MenuSelection, 0);
    EXPECT_EQ(RedrawPending, 1);
    EXPECT_TRUE(backend.HeardSince(audioBefore, "StopModule"));
    EXPECT_TRUE(backend.HeardSince(audioBefore, "menu.mdf"));
}

TEST_F(Road, EscapeWaitEndsWhenTheKeyboardStopsAnswering) {
    ASSERT_EQ(StartNewGame(), GS_PLAYING) << ErrorText;
    GameState = GS_PLAYING;
    Key(KEY_ESCAPE, true);
    backend.onPump = [&] {
        if (LayoutArray == nullptr) pf::core::SetKeyboardAvailable(false);
    };
    PlayFrame();
    pf::core::SetKeyboardAvailable(true);
    EXPECT_EQ(GameState, GS_MENU);
}

TEST_F(Road, ALevelFinishedWhileEscapeLeavesPlayIsNotLoadedOverTheMenu) {
    ASSERT_EQ(StartNewGame(), GS_PLAYING) << ErrorText;
    GameState = GS_PLAYING;
    LevelDone = 1;
    Key(KEY_ESCAPE, true);
    backend.onPump = [&] {
        if (LayoutArray == nullptr) pf::core::SetKey(KEY_ESCAPE, false);
    };
    PlayFrame();
    EXPECT_EQ(GameState, GS_MENU);
    EXPECT_EQ(CurrentLevel, 1);
    EXPECT_EQ(LayoutArray, nullptr);  // no level held while the menu shows
    EXPECT_EQ(FatalError, 0);
}

}  // namespace
