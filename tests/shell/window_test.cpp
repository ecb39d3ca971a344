// The window procedure, suspension and pause.
#include "game/input/input.h"
#include "game/shell/shell.h"
#include "shell/shell_test_support.h"

namespace {

using shelltest::ShellTest;

class Started : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_EQ(InitGame(nullptr, pf::SW_SHOWNORMAL), 1);
    }
    void TearDown() override {
        ShutDownGame();
        ShellTest::TearDown();
    }
};

TEST_F(Started, ActivationResumesPlayAndReacquiresBothDevices) {
    pf::Device_Unacquire(KeyboardDevice);
    pf::Device_Unacquire(MouseDevice);
    uint8_t keys[256];
    ASSERT_NE(pf::Device_GetDeviceState(KeyboardDevice, 256, keys), pf::DI_OK);

    GameState = GS_MENU;
    EXPECT_EQ(MainWndProc(GameWindow, pf::WM_ACTIVATEAPP, 1, 0), 0);
    EXPECT_EQ(GameState, GS_PLAYING);
    EXPECT_EQ(pf::Device_GetDeviceState(KeyboardDevice, 256, keys), pf::DI_OK);
    pf::DIMOUSESTATE mouse;
    EXPECT_EQ(pf::Device_GetDeviceState(MouseDevice, sizeof mouse, &mouse), pf::DI_OK);

    EXPECT_EQ(MainWndProc(GameWindow, pf::WM_ACTIVATEAPP, 0, 0), 0);
    EXPECT_EQ(GameState, GS_SUSPENDED);
}

TEST_F(Started, CloseRequestBecomesTheQuitState) {
    GameState = GS_MENU;
    MainWndProc(GameWindow, pf::WM_CLOSE, 0, 0);
    EXPECT_EQ(GameState, GS_QUIT);

    // From the desktop: delivered at the next pump point, and again after a
    // step overwrote the state, until the loop sees it.
    GameState = GS_PLAYING;
    pf::core::RequestClose();
    pf::GetTickCount();
    EXPECT_EQ(GameState, GS_QUIT);
    GameState = GS_MENU;
    PollKeyboard();
    EXPECT_EQ(GameState, GS_QUIT);
}

TEST_F(Started, AltTabSuspendsUntilActivated) {
    KeyState[KEY_LALT] = 0x80;
    KeyState[KEY_TAB] = 0x80;
    EXPECT_TRUE(IsAltTabDown());
    KeyState[KEY_LALT] = 0;
    KeyState[pf::DIK_RMENU] = 0x80;
    EXPECT_FALSE(IsAltTabDown()) << "the right Alt key does not count";

    GameState = GS_PLAYING;
    SuspendGame();
    EXPECT_EQ(GameState, GS_SUSPENDED);
    // Nothing arrives: the state holds, pass after pass.
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(GameStep(), 1);
        EXPECT_EQ(GameState, GS_SUSPENDED);
    }
    // Deactivation, then activation, as a task switch delivers them.
    pf::core::PostActivation(false);
    EXPECT_EQ(GameStep(), 1);
    EXPECT_EQ(GameState, GS_SUSPENDED);
    pf::core::PostActivation(true);
    EXPECT_EQ(GameStep(), 1);
    EXPECT_EQ(GameState, GS_PLAYING);
    uint8_t keys[256];
    EXPECT_EQ(pf::Device_GetDeviceState(KeyboardDevice, 256, keys), pf::DI_OK);
}

TEST_F(Started, PauseHeldPKeepsPollingUntilRelease) {
    GameState = GS_PAUSED;
    pf::core::SetKey(KEY_P, true);
    PollKeyboard();
    const uint32_t pressedAt = backend.now;
    backend.actions.push_back({pressedAt + 50, [] { pf::core::SetKey(KEY_P, false); }});
    PauseStep();
    EXPECT_EQ(GameState, GS_PLAYING);
    EXPECT_GE(backend.now - pressedAt, 50u) << "the step waited for the release";
    EXPECT_FALSE(KeyDown(KEY_P));
}

TEST_F(Started, PauseWithoutKeysStaysAndEscapeResumes) {
    GameState = GS_PAUSED;
    PollKeyboard();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(GameStep(), 1);
        EXPECT_EQ(GameState, GS_PAUSED);
    }
    pf::core::SetKey(KEY_ESCAPE, true);
    EXPECT_EQ(GameStep(), 1);  // polls: Escape now down in KeyState
    EXPECT_EQ(GameState, GS_PAUSED);
    EXPECT_EQ(GameStep(), 1);
    EXPECT_EQ(GameState, GS_PLAYING);
    EXPECT_TRUE(KeyDown(KEY_ESCAPE)) << "still held for the next play frame";
}

TEST_F(Started, PauseReleaseWaitEndsWhenTheKeyboardStopsAnswering) {
    GameState = GS_PAUSED;
    pf::core::SetKey(KEY_P, true);
    PollKeyboard();
    backend.actions.push_back({backend.now + 10, [] { pf::core::SetKeyboardAvailable(false); }});
    PauseStep();
    EXPECT_EQ(GameState, GS_PLAYING);
    EXPECT_FALSE(KeyDown(KEY_P)) << "a key that can no longer be read counts as released";
}

TEST_F(Started, FocusRegainedInAnyStateLeavesTheKeyboardWorking) {
    GameState = GS_MENU;
    pf::core::PostActivation(false);
    uint8_t keys[256];
    EXPECT_NE(PollKeyboard(), pf::DI_OK);
    pf::core::PostActivation(true);
    EXPECT_EQ(PollKeyboard(), pf::DI_OK);
    pf::core::SetKey(KEY_RETURN, true);
    PollKeyboard();
    EXPECT_TRUE(KeyDown(KEY_RETURN));
    (void)keys;
    // The two activation messages cancelled each other in the queue.
    pf::MSG msg;
    EXPECT_FALSE(pf::PeekMessageA(&msg, nullptr, 0, 0, pf::PM_NOREMOVE));
}

}  // namespace
