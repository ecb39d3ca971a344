// Which music plays when: the audio library calls of each moment of the real
// game, driven by scripted keys on the bench, compared call by call.
#include <gtest/gtest.h>

#include "game/game_runs.h"
#include "game/shell/record.h"

namespace {

using namespace gametest;

const std::string Menu = "Data//menu.mdf";
const std::string Track = "Data//track1.mdf";

// Escape on the menu ends the program; its time in each script.
std::string QuitAt(uint32_t ms) { return std::to_string(ms) + " key ESCAPE down\n"; }

// Escape pressed and released in play: back to the menu.
std::string EscapeToMenuAt(uint32_t ms) {
    return std::to_string(ms) + " key ESCAPE down\n" + std::to_string(ms + 100) +
           " key ESCAPE up\n";
}

TEST(MusicMoments, TheMenuMusicStartsWhenTheIntroHasEnded) {
    GameFolder folder;
    // Still in the intro's three seconds: the output is open, nothing loaded.
    const auto during = RunScript(folder, "", 3000);
    EXPECT_TRUE(during.timedOut);
    EXPECT_EQ(AudioCalls(during), OpenedOutput());

    const auto after = RunScript(folder, "", 3400);
    EXPECT_TRUE(after.timedOut);
    EXPECT_EQ(after.fields.state, GS_MENU) << Describe(after);
    EXPECT_EQ(AudioCalls(after), Calls({OpenedOutput(), Play(Menu, 1)}));
}

TEST(MusicMoments, QuittingFromTheMenuClosesTheOutputWithTheMusicStillPlaying) {
    GameFolder folder;
    const auto report = RunScript(folder, QuitAt(5000), 30000);
    ASSERT_FALSE(report.timedOut) << Describe(report);
    EXPECT_EQ(report.fields.state, GS_QUIT);
    // No StopModule nor FreeModuleFile before the output is closed.
    EXPECT_EQ(AudioCalls(report), Calls({OpenedOutput(), Play(Menu, 1), ClosedOutput()}));
    EXPECT_TRUE(report.messageBoxes.empty()) << Describe(report);
}

TEST(MusicMoments, ANewGameStopsTheMenuMusicAndStartsThePlayMusic) {
    GameFolder folder;
    const auto report = RunScript(folder, StartGameScript(), 5000);
    EXPECT_TRUE(report.timedOut);
    EXPECT_EQ(report.fields.state, GS_PLAYING) << Describe(report);
    EXPECT_EQ(AudioCalls(report),
              Calls({OpenedOutput(), Play(Menu, 1), StopHeld(1), Play(Track, 2)}));
}

TEST(MusicMoments, ThePlayMusicLoadsOnlyAfterTheGameAssets) {
    // Without the ship picture the game set fails: the menu music has been
    // stopped, the play music is never loaded, and the game quits with the
    // loader's message.
    GameFolder folder;
    folder.RemoveFile("ship.spr");
    const auto report = RunScript(folder, StartGameScript(), 30000);
    ASSERT_FALSE(report.timedOut) << Describe(report);
    EXPECT_EQ(report.fields.state, GS_QUIT);
    EXPECT_EQ(AudioCalls(report),
              Calls({OpenedOutput(), Play(Menu, 1), StopHeld(1), ClosedOutput()}));
    EXPECT_FALSE(report.messageBoxes.empty());
}

TEST(MusicMoments, EscapeInPlayBringsTheMenuMusicBack) {
    GameFolder folder;
    const auto report =
        RunScript(folder, StartGameScript() + EscapeToMenuAt(6000) + QuitAt(8000), 30000);
    ASSERT_FALSE(report.timedOut) << Describe(report);
    EXPECT_EQ(AudioCalls(report), Calls({OpenedOutput(), Play(Menu, 1), StopHeld(1),
                                         Play(Track, 2), StopHeld(2), Play(Menu, 3),
                                         ClosedOutput()}));
    EXPECT_TRUE(report.messageBoxes.empty()) << Describe(report);
}

TEST(MusicMoments, AfterTheFourthLevelTheMusicStopsTwiceThenTheMenuMusic) {
    GameFolder folder;
    folder.WriteTinyLevels();
    folder.WriteUnreachableHallOfFame();
    const auto report = RunScript(folder, StartGameScript() + QuitAt(12000), 30000);
    ASSERT_FALSE(report.timedOut) << Describe(report);
    EXPECT_EQ(report.fields.level, 4) << Describe(report);
    EXPECT_EQ(report.fields.lives, 3) << Describe(report);
    // One block a level: 4 x 250 points (a second block broken in the same
    // frame as the first would add 250 more).
    EXPECT_GE(std::stoi(report.fields.score), 1000);
    // Stopped and freed at level 4's completion; in the game-over step the
    // stop is repeated with no module held, so nothing is freed.
    EXPECT_EQ(AudioCalls(report),
              Calls({OpenedOutput(), Play(Menu, 1), StopHeld(1), Play(Track, 2), StopHeld(2),
                     {"StopModule"}, Play(Menu, 3), ClosedOutput()}));
    EXPECT_TRUE(report.messageBoxes.empty()) << Describe(report);
}

TEST(MusicMoments, LosingTheLastLifeKeepsThePlayMusicUntilTheGameOverStep) {
    // No keys: the ship stands still and the ball falls three times.
    GameFolder folder;
    folder.WriteUnreachableHallOfFame();
    const auto report = RunScript(folder, StartGameScript() + QuitAt(45000), 90000);
    ASSERT_FALSE(report.timedOut) << Describe(report);
    EXPECT_EQ(report.fields.lives, 0) << "the game was not over by 45 s: " << Describe(report);
    EXPECT_EQ(report.fields.state, GS_QUIT);
    // Nothing touches the music between the play music's start and the
    // game-over step: lost lives do not.
    EXPECT_EQ(AudioCalls(report), Calls({OpenedOutput(), Play(Menu, 1), StopHeld(1),
                                         Play(Track, 2), StopHeld(2), Play(Menu, 3),
                                         ClosedOutput()}));
}

TEST(MusicMoments, AMissingMenuModuleIsNeverPlayedAndNothingIsReported) {
    GameFolder folder;
    folder.RemoveFile("menu.mdf");
    const auto report =
        RunScript(folder, StartGameScript() + EscapeToMenuAt(6000) + QuitAt(8000), 30000);
    ASSERT_FALSE(report.timedOut) << Describe(report);
    EXPECT_EQ(report.fields.state, GS_QUIT);
    // A failed load holds no module: the later stop frees nothing, and the
    // play music still plays (module 1, the first load that worked).
    EXPECT_EQ(AudioCalls(report),
              Calls({OpenedOutput(),
                     {"LoadModuleFile(file=Data//menu.mdf offset=0)", "StopModule"},
                     Play(Track, 1),
                     StopHeld(1),
                     {"LoadModuleFile(file=Data//menu.mdf offset=0)"},
                     ClosedOutput()}));
    EXPECT_TRUE(report.messageBoxes.empty()) << Describe(report);
}

TEST(MusicMoments, AMissingPlayModuleLeavesThePlaySilent) {
    GameFolder folder;
    folder.RemoveFile("track1.mdf");
    const auto report =
        RunScript(folder, StartGameScript() + EscapeToMenuAt(6000) + QuitAt(8000), 30000);
    ASSERT_FALSE(report.timedOut) << Describe(report);
    EXPECT_EQ(report.fields.state, GS_QUIT);
    EXPECT_EQ(AudioCalls(report),
              Calls({OpenedOutput(), Play(Menu, 1), StopHeld(1),
                     {"LoadModuleFile(file=Data//track1.mdf offset=0)", "StopModule"},
                     Play(Menu, 2), ClosedOutput()}));
    EXPECT_TRUE(report.messageBoxes.empty()) << Describe(report);
}

// A damaged menu module: never handed to the play call when it does not
// load, no message, the menu runs and the game quits normally.
void ExpectDamagedMenuModuleIgnored(const std::string& bytes, bool mayLoad) {
    GameFolder folder;
    folder.WriteFile("menu.mdf", bytes);
    const auto report = RunScript(folder, QuitAt(5000), 30000);
    ASSERT_FALSE(report.timedOut) << Describe(report);
    EXPECT_EQ(report.fields.state, GS_QUIT);
    EXPECT_TRUE(report.messageBoxes.empty()) << Describe(report);
    const auto calls = AudioCalls(report);
    const auto refused = Calls({OpenedOutput(),
                                {"LoadModuleFile(file=Data//menu.mdf offset=0)"},
                                ClosedOutput()});
    if (mayLoad && calls != refused) {
        // The player took what it could read: a live module was played.
        EXPECT_EQ(calls, Calls({OpenedOutput(), Play(Menu, 1), ClosedOutput()}));
    } else {
        EXPECT_EQ(calls, refused);
    }
}

std::string BuiltMenuModule() {
    return vxtest::ReadWholeFile(std::filesystem::path(VX_DATA_DIR) / "menu.mdf");
}

TEST(MusicMoments, ATruncatedMenuModuleIsRefusedWithoutAReport) {
    const std::string whole = BuiltMenuModule();
    ASSERT_GT(whole.size(), 4096u);
    ExpectDamagedMenuModuleIgnored("", false);
    ExpectDamagedMenuModuleIgnored(whole.substr(0, 17), false);
    ExpectDamagedMenuModuleIgnored(whole.substr(0, 60), false);  // inside the header
    ExpectDamagedMenuModuleIgnored(whole.substr(0, 2000), false);
    // Cut inside the sample data, the module may still load: no crash either way.
    ExpectDamagedMenuModuleIgnored(whole.substr(0, whole.size() / 2), true);
    ExpectDamagedMenuModuleIgnored(whole.substr(0, whole.size() - 1), true);
}

TEST(MusicMoments, ARandomByteMenuModuleIsRefusedWithoutAReport) {
    std::string noise(50000, '\0');
    uint32_t state = 12345;
    for (char& byte : noise) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    ExpectDamagedMenuModuleIgnored(noise, false);
    // Random bytes behind a real module header.
    const std::string whole = BuiltMenuModule();
    ExpectDamagedMenuModuleIgnored(whole.substr(0, 336) + noise, true);
}

}  // namespace
