// Start-up and shutdown: every failing step shows its own message exactly
// once; an error after start-up shows twice; activation during start-up does
// not survive it; the dispatcher's exits.
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "game/display/display.h"
#include "game/shell/shell.h"
#include "pf/files.h"
#include "shell/shell_test_support.h"

namespace {

using shelltest::ShellTest;

constexpr const char* FatalCaption = "Velnorix [Win32] - Fatal Error";

struct StartupFault {
    const char* operation;
    unsigned n;
    const char* message;
};

class StartupFailure : public ShellTest, public ::testing::WithParamInterface<StartupFault> {};

TEST_P(StartupFailure, ShowsItsOwnMessageOnce) {
    const StartupFault& fault = GetParam();
    pf::core::AddFault(fault.operation, fault.n, static_cast<int32_t>(0x80004005u));

    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, pf::SW_SHOWNORMAL), 0);

    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_EQ(backend.boxes[0].first, FatalCaption);
    EXPECT_EQ(backend.boxes[0].second, fault.message);
    // Shutdown released everything that start-up created.
    EXPECT_EQ(DDraw, nullptr);
    EXPECT_EQ(PrimarySurface, nullptr);
    EXPECT_EQ(BackBuffer, nullptr);
    EXPECT_EQ(DInput, nullptr);
    EXPECT_EQ(KeyboardDevice, nullptr);
    EXPECT_EQ(MouseDevice, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, StartupFailure,
    ::testing::Values(
        StartupFault{"CreateWindowExA", 1, "[InitGame] Unable to create window\n"},
        StartupFault{"DirectDrawCreate", 1, "[InitDDraw] Unable to create DirectDraw Object\n"},
        StartupFault{"DirectDraw_QueryInterface", 1,
                     "[InitDDraw] Unable to create DirectDraw3 Object\n"},
        StartupFault{"DirectDraw_SetCooperativeLevel", 1, "[InitDDraw] SetCooperativeLevel Failed\n"},
        StartupFault{"DirectDraw_SetDisplayMode", 1, "[InitDDraw] SetDisplayMode Failed\n"},
        StartupFault{"DirectDraw_CreateSurface", 1, "[InitDDraw] Unable to create primary surface\n"},
        StartupFault{"Surface_GetAttachedSurface", 1, "[InitDDraw] Unable to create backbuffer\n"},
        StartupFault{"DirectDraw_CreateSurface", 2,
                     "[InitDDraw] Unable to create Offscreen Surface\n"},
        StartupFault{"Surface_SetColorKey", 1, "[InitDDraw] Unable to set color key\n"},
        StartupFault{"Surface_SetColorKey", 2, "[InitDDraw] Unable to set color key\n"},
        StartupFault{"DirectInputCreateA", 1, "[InitDInput] Unable to create DirectInput Object\n"},
        StartupFault{"DirectInput_CreateDevice", 1,
                     "[InitDInput] Unable to create DirectInput Device (Keyboard)\n"},
        StartupFault{"Device_SetDataFormat", 1, "[InitDInput] SetDataFormat failed (Keyboard)\n"},
        StartupFault{"Device_SetCooperativeLevel", 1,
                     "[InitDInput] SetCooperativeLevel failed (Keyboard)\n"},
        StartupFault{"Device_Acquire", 1,
                     "[InitDInput] Unable to Acquire DirectInputDevice (Keyboard)\n"},
        StartupFault{"DirectInput_CreateDevice", 2,
                     "[InitDInput] Unable to create DirectInput Device (Mouse)\n"},
        StartupFault{"Device_SetDataFormat", 2, "[InitDInput] SetDataFormat failed (Mouse)\n"},
        StartupFault{"Device_SetCooperativeLevel", 2,
                     "[InitDInput] SetCooperativeLevel failed (Mouse)\n"},
        StartupFault{"Device_Acquire", 2,
                     "[InitDInput] Unable to Acquire DirectInputDevice (Mouse)\n"},
        StartupFault{"OpenAudioDevice", 1, "[OpenSound] Unable to open audio device\n"},
        StartupFault{"OpenAudioVoices", 1, "[OpenSound] Unable to open audio voices\n"}));

// A start in an empty folder: the intro's first picture is missing. The error
// comes after start-up, so it shows in the quit step and again at shutdown.
class EmptyFolder : public ShellTest {
protected:
    std::filesystem::path previous;
    std::filesystem::path folder;
    void SetUp() override {
        ShellTest::SetUp();
        previous = std::filesystem::current_path();
        folder = std::filesystem::temp_directory_path() /
                 ("vx-shell-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder / "Data");
        std::filesystem::current_path(folder);
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
        ShellTest::TearDown();
    }
};

TEST_F(EmptyFolder, ErrorAfterStartUpIsShownTwice) {
    WinMain(nullptr, nullptr, nullptr, pf::SW_SHOWNORMAL);
    ASSERT_EQ(backend.boxes.size(), 2u);
    EXPECT_EQ(backend.boxes[0].second, "[ReadSPRFile] Unable to open file\n");
    EXPECT_EQ(backend.boxes[1].second, "[ReadSPRFile] Unable to open file\n");
    EXPECT_EQ(backend.boxes[1].first, FatalCaption);
    // The table was never read and no file existed: the quit step wrote the
    // empty table, so that a later start finds one.
    EXPECT_EQ(std::filesystem::file_size(folder / "Data" / "hiscore.dat"), 280u);
}

TEST_F(EmptyFolder, QuitSavesTheHallOfFameOnlyOnceItWasReadOrWhereThereIsNone) {
    // A file that was never read stays as it is.
    const std::filesystem::path file = folder / "Data" / "hiscore.dat";
    { std::ofstream(file, std::ios::binary) << "the player's table"; }
    GameState = GS_QUIT;
    EXPECT_EQ(GameStep(), 0);
    EXPECT_EQ(std::filesystem::file_size(file), 18u);
    EXPECT_TRUE(backend.boxes.empty());

    // Where there is none, the empty table is written.
    std::filesystem::remove(file);
    GameState = GS_QUIT;
    EXPECT_EQ(GameStep(), 0);
    EXPECT_EQ(std::filesystem::file_size(file), 280u);
    EXPECT_TRUE(backend.boxes.empty());
    std::filesystem::remove(file);

    HallOfFameRead = 1;
    GameState = GS_QUIT;
    EXPECT_EQ(GameStep(), 0);
    EXPECT_EQ(std::filesystem::file_size(folder / "Data" / "hiscore.dat"), 280u);
    EXPECT_TRUE(backend.boxes.empty());
}

TEST_F(EmptyFolder, StartingOrOutOfRangeStateEndsTheLoopSilently) {
    HallOfFameRead = 1;
    for (int32_t state : {GS_STARTING, 9, 100, -1, INT32_MIN}) {
        GameState = state;
        EXPECT_EQ(GameStep(), 0) << state;
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "Data" / "hiscore.dat"));
    EXPECT_TRUE(backend.boxes.empty());
    EXPECT_EQ(FatalError, 0);
}

TEST_F(ShellTest, ActivationDuringStartUpDoesNotSurviveIt) {
    // The desktop reports focus changes while the window is being set up.
    backend.actions.push_back({0, [] { pf::core::PostActivation(false); }});
    backend.actions.push_back({1, [] { pf::core::PostActivation(true); }});
    backend.actions.push_back({2, [] { pf::core::PostActivation(false); }});
    ASSERT_EQ(InitGame(nullptr, pf::SW_SHOWNORMAL), 1);
    EXPECT_EQ(GameState, GS_INTRO);
    EXPECT_EQ(MenuSelection, 0);
    ShutDownGame();
    EXPECT_TRUE(backend.boxes.empty());
}

TEST_F(ShellTest, AllLevelsDonePassesOnToGameOverWithoutDrawing) {
    ASSERT_EQ(InitGame(nullptr, pf::SW_SHOWNORMAL), 1);
    const unsigned flips = backend.flips;
    GameState = GS_ALL_LEVELS_DONE;
    EXPECT_EQ(GameStep(), 1);
    EXPECT_EQ(GameState, GS_GAME_OVER);
    EXPECT_EQ(backend.flips, flips);
    ShutDownGame();
}

TEST_F(ShellTest, ReportErrorKeepsTheLastTextAndReturnsFalse) {
    EXPECT_EQ(ReportError("[First] one\n"), 0);
    EXPECT_EQ(ReportError("[Second] two\n"), 0);
    EXPECT_STREQ(ErrorText, "[Second] two\n");
    EXPECT_EQ(FatalError, 1);
    // A text longer than the buffer is cut, never written past it.
    std::string longText(1000, 'x');
    ReportError(longText.c_str());
    EXPECT_EQ(std::string(ErrorText), std::string(255, 'x'));
}

TEST_F(ShellTest, ShutDownFailureOfTheAudioReplacesTheMessage) {
    ASSERT_EQ(InitGame(nullptr, pf::SW_SHOWNORMAL), 1);
    pf::core::AddFault("CloseAudioDevice", 1, 1);
    ShutDownGame();
    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_EQ(backend.boxes[0].second, "[ShutDownSound] Unable to close audio device\n");
}

}  // namespace
