// Damaged music in a whole game: the real program on the bench, pulling its
// music as a sound device would, keeps running whatever a module file holds.
#include <gtest/gtest.h>

#include "game/game_runs.h"
#include "game/shell/record.h"

namespace {

using namespace gametest;

// A new game from the menu, Escape back to the menu, Escape to quit.
std::string MenuGameMenuQuit() {
    return StartGameScript() + "6000 key ESCAPE down\n6100 key ESCAPE up\n8000 key ESCAPE down\n";
}

vxtest::HeadlessRun RunWithSound(const GameFolder& folder) {
    return vxtest::RunHeadless({"--dir", folder.str(), "--max-ms", "30000", "--audio"},
                               MenuGameMenuQuit());
}

TEST(DamagedMusic, TheBuiltModulesPlayThroughAGame) {
    GameFolder folder;
    const auto run = RunWithSound(folder);
    ASSERT_TRUE(run.reportRead) << run.errors;
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.report.exit, "returned");
    EXPECT_EQ(run.report.state, GS_QUIT);
    EXPECT_EQ(AudioCalls(run.report),
              Calls({OpenedOutput(), Play("Data//menu.mdf", 1), StopHeld(1),
                     Play("Data//track1.mdf", 2), StopHeld(2), Play("Data//menu.mdf", 3),
                     ClosedOutput()}));
}

// A FastTracker 2 file of 228 bytes declaring no channels and no patterns,
// whose first order names a pattern that does not exist: libxmp 4.5.0 loads
// it, and its buffer filler then spins for ever on frames of no samples. As
// the menu and the play music, it is refused at load: the game runs on,
// silent, and quits.
TEST(DamagedMusic, AModuleThatCannotBeRenderedLeavesTheGameSilentButRunning) {
    GameFolder folder;
    const std::string module =
        vxtest::ReadWholeFile(std::string(VX_SOURCE_DIR) + "/tests/game/modules/no-channels.xm");
    ASSERT_EQ(module.size(), 228u);
    folder.WriteFile("menu.mdf", module);
    folder.WriteFile("track1.mdf", module);

    const auto run = RunWithSound(folder);
    ASSERT_TRUE(run.reportRead) << run.errors;
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.report.exit, "returned");
    EXPECT_EQ(run.report.state, GS_QUIT);
    EXPECT_TRUE(run.report.messageBoxes.empty());
    // Every load fails, so nothing is played and nothing is freed.
    const std::vector<std::string> loadMenu = {"LoadModuleFile(file=Data//menu.mdf offset=0)"};
    const std::vector<std::string> loadTrack = {"LoadModuleFile(file=Data//track1.mdf offset=0)"};
    EXPECT_EQ(AudioCalls(run.report),
              Calls({OpenedOutput(), loadMenu, {"StopModule"}, loadTrack, {"StopModule"},
                     loadMenu, ClosedOutput()}));
}

}  // namespace
