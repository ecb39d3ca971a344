// The message queue, activation, close requests, and the keyboard and mouse
// devices with their acquisition rules.
#include <vector>

#include "core_fixture.h"

namespace coretest {
namespace {

struct Seen {
    pf::UINT message;
    pf::WPARAM wParam;
};
std::vector<Seen> seen;

pf::LRESULT Procedure(pf::HWND, pf::UINT message, pf::WPARAM wParam, pf::LPARAM) {
    seen.push_back({message, wParam});
    return 7;
}

class MessageTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        seen.clear();
        pf::WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &Procedure;
        windowClass.lpszClassName = "Test Class";
        ASSERT_NE(pf::RegisterClassExA(&windowClass), 0);
        EXPECT_EQ(pf::RegisterClassExA(&windowClass), 0);  // once only
        window = pf::CreateWindowExA(0, "test class", "Test", pf::WS_POPUP, 0, 0, 800, 600,
                                     nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }

    // Keyboard and mouse set up as the game does.
    void MakeDevices() {
        ASSERT_EQ(pf::DirectInputCreateA(nullptr, pf::DIRECTINPUT_VERSION, &input, nullptr), pf::DI_OK);
        ASSERT_EQ(pf::DirectInput_CreateDevice(input, pf::GUID_SysKeyboard, &keyboard, nullptr), pf::DI_OK);
        ASSERT_EQ(pf::Device_SetDataFormat(keyboard, &pf::c_dfDIKeyboard), pf::DI_OK);
        ASSERT_EQ(pf::Device_SetCooperativeLevel(keyboard, window, pf::DISCL_NONEXCLUSIVE | pf::DISCL_FOREGROUND), pf::DI_OK);
        ASSERT_EQ(pf::Device_Acquire(keyboard), pf::DI_OK);
        ASSERT_EQ(pf::DirectInput_CreateDevice(input, pf::GUID_SysMouse, &mouse, nullptr), pf::DI_OK);
        ASSERT_EQ(pf::Device_SetDataFormat(mouse, &pf::c_dfDIMouse), pf::DI_OK);
        ASSERT_EQ(pf::Device_SetCooperativeLevel(mouse, window, pf::DISCL_EXCLUSIVE | pf::DISCL_FOREGROUND), pf::DI_OK);
        ASSERT_EQ(pf::Device_Acquire(mouse), pf::DI_OK);
    }

    pf::HRESULT PollKeys() { return pf::Device_GetDeviceState(keyboard, 256, keys); }

    pf::HWND window = nullptr;
    pf::LPDIRECTINPUT input = nullptr;
    pf::LPDIRECTINPUTDEVICE keyboard = nullptr;
    pf::LPDIRECTINPUTDEVICE mouse = nullptr;
    uint8_t keys[256] = {};
};

TEST_F(MessageTest, PeekWithoutRemovingThenGetInOrderThenQuit) {
    pf::core::PostActivation(false);
    pf::core::PostActivation(true);  // cancels the queued deactivation
    pf::MSG msg = {};
    EXPECT_FALSE(pf::PeekMessageA(&msg, nullptr, 0, 0, pf::PM_NOREMOVE));
    pf::core::PostActivation(false);
    pf::PostQuitMessage(3);
    ASSERT_TRUE(pf::PeekMessageA(&msg, nullptr, 0, 0, pf::PM_NOREMOVE));
    EXPECT_EQ(msg.message, pf::WM_ACTIVATEAPP);
    ASSERT_TRUE(pf::PeekMessageA(&msg, nullptr, 0, 0, pf::PM_NOREMOVE));  // still there
    EXPECT_EQ(msg.message, pf::WM_ACTIVATEAPP);
    ASSERT_EQ(pf::GetMessageA(&msg, nullptr, 0, 0), pf::TRUE);
    EXPECT_EQ(msg.hwnd, window);
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(pf::DispatchMessageA(&msg), 7);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].message, pf::WM_ACTIVATEAPP);
    EXPECT_EQ(pf::GetMessageA(&msg, nullptr, 0, 0), pf::FALSE);  // the quit message
    EXPECT_EQ(msg.message, pf::WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(pf::PeekMessageA(&msg, nullptr, 0, 0, pf::PM_REMOVE));
    // Every peek and get pumps events and passes time.
    EXPECT_EQ(backend.reasons.size(), 6u);
    EXPECT_EQ(backend.reasons[0], pf::core::TickReason::MessagePeek);
    EXPECT_GE(backend.pumps, 6);
}

TEST_F(MessageTest, GetWaitsForTheBackendWhenTheQueueIsEmpty) {
    backend.onPump = [] {
        static int pumps = 0;
        if (++pumps == 3) pf::PostQuitMessage(0);
    };
    pf::MSG msg = {};
    EXPECT_EQ(pf::GetMessageA(&msg, nullptr, 0, 0), pf::FALSE);
    EXPECT_EQ(backend.waits, 2);
}

TEST_F(MessageTest, ActivationQueueHoldsOnlyTheNetChange) {
    for (int i = 0; i < 5; ++i) {
        pf::core::PostActivation(false);
        pf::core::PostActivation(true);
    }
    pf::core::PostActivation(false);
    pf::core::PostActivation(false);  // no change, nothing posted
    pf::MSG msg = {};
    int count = 0;
    while (pf::PeekMessageA(&msg, nullptr, 0, 0, pf::PM_REMOVE)) {
        ++count;
        EXPECT_EQ(msg.message, pf::WM_ACTIVATEAPP);
        EXPECT_EQ(msg.wParam, 0u);
    }
    EXPECT_EQ(count, 1);
}

TEST_F(MessageTest, SendCallsTheProcedureAtOnce) {
    EXPECT_EQ(pf::SendMessageA(window, pf::WM_DESTROY, 0, 0), 7);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].message, pf::WM_DESTROY);
    EXPECT_EQ(pf::DefWindowProcA(window, pf::WM_CLOSE, 0, 0), 0);
}

TEST_F(MessageTest, CloseRequestIsSentAtEveryPumpPointAndSilencesTheKeyboard) {
    MakeDevices();
    pf::core::SetKey(pf::DIK_P, true);
    ASSERT_EQ(PollKeys(), pf::DI_OK);
    EXPECT_EQ(keys[pf::DIK_P], 0x80);
    pf::core::RequestClose();
    EXPECT_TRUE(pf::core::CloseRequested());
    pf::GetTickCount();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].message, pf::WM_CLOSE);
    keys[pf::DIK_P] = 0x11;
    EXPECT_EQ(PollKeys(), pf::DIERR_INPUTLOST);
    EXPECT_EQ(keys[pf::DIK_P], 0x11);  // unchanged on failure
    EXPECT_EQ(seen.size(), 2u);        // the poll sent it again
}

TEST_F(MessageTest, KeyboardStateFollowsKeysAndAnswersOnlyWhenItMay) {
    MakeDevices();
    pf::core::SetKey(pf::DIK_LEFT, true);
    pf::core::SetKey(pf::DIK_RCONTROL, true);
    ASSERT_EQ(PollKeys(), pf::DI_OK);
    EXPECT_EQ(keys[pf::DIK_LEFT], 0x80);
    EXPECT_EQ(keys[pf::DIK_RCONTROL], 0x80);
    EXPECT_EQ(keys[pf::DIK_RIGHT], 0);
    EXPECT_EQ(backend.reasons.back(), pf::core::TickReason::KeyboardPoll);
    // Wrong size.
    EXPECT_EQ(pf::Device_GetDeviceState(keyboard, 16, keys), pf::DIERR_INVALIDPARAM);
    // Lost keyboard.
    pf::core::SetKeyboardAvailable(false);
    pf::core::SetKey(pf::DIK_LEFT, false);
    EXPECT_EQ(PollKeys(), pf::DIERR_INPUTLOST);
    EXPECT_EQ(keys[pf::DIK_LEFT], 0x80);
    pf::core::SetKeyboardAvailable(true);
    ASSERT_EQ(PollKeys(), pf::DI_OK);
    EXPECT_EQ(keys[pf::DIK_LEFT], 0);
    // Not acquired.
    ASSERT_EQ(pf::Device_Unacquire(keyboard), pf::DI_OK);
    EXPECT_EQ(PollKeys(), pf::DIERR_NOTACQUIRED);
    ASSERT_EQ(pf::Device_Acquire(keyboard), pf::DI_OK);
    EXPECT_EQ(PollKeys(), pf::DI_OK);
    // A null device (a failed set-up) is refused.
    EXPECT_EQ(pf::Device_GetDeviceState(nullptr, 256, keys), pf::DIERR_INVALIDPARAM);
}

TEST_F(MessageTest, FocusChangesNeverLeaveAnAcquiredKeyboardDeaf) {
    MakeDevices();
    pf::core::PostActivation(false);
    EXPECT_EQ(PollKeys(), pf::DIERR_INPUTLOST);
    pf::DIMOUSESTATE state = {};
    EXPECT_EQ(pf::Device_GetDeviceState(mouse, sizeof state, &state), pf::DIERR_INPUTLOST);
    // Regained while the program never looked at its messages.
    pf::core::PostActivation(true);
    pf::core::SetKey(pf::DIK_RETURN, true);
    ASSERT_EQ(PollKeys(), pf::DI_OK);
    EXPECT_EQ(keys[pf::DIK_RETURN], 0x80);
    EXPECT_EQ(pf::Device_GetDeviceState(mouse, sizeof state, &state), pf::DI_OK);
}

TEST_F(MessageTest, MouseGivesMotionSinceTheLastReadAndButtons) {
    MakeDevices();
    pf::core::AddMouseMotion(3, -2, 0);
    pf::core::AddMouseMotion(1, 0, 120);
    pf::core::SetMouseButton(1, true);
    pf::DIMOUSESTATE state = {};
    ASSERT_EQ(pf::Device_GetDeviceState(mouse, sizeof state, &state), pf::DI_OK);
    EXPECT_EQ(state.lX, 4);
    EXPECT_EQ(state.lY, -2);
    EXPECT_EQ(state.lZ, 120);
    EXPECT_EQ(state.rgbButtons[1], 0x80);
    ASSERT_EQ(pf::Device_GetDeviceState(mouse, sizeof state, &state), pf::DI_OK);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(pf::Device_GetDeviceState(mouse, 256, keys), pf::DIERR_INVALIDPARAM);
}

TEST_F(MessageTest, DeviceSetUpRules) {
    pf::LPDIRECTINPUT object = nullptr;
    EXPECT_NE(pf::DirectInputCreateA(nullptr, 0x0800, &object, nullptr), pf::DI_OK);
    ASSERT_EQ(pf::DirectInputCreateA(nullptr, 0x0500, &object, nullptr), pf::DI_OK);
    pf::LPDIRECTINPUTDEVICE device = nullptr;
    const pf::GUID joystick = {7, 7, 7, {7, 7, 7, 7, 7, 7, 7, 7}};
    EXPECT_NE(pf::DirectInput_CreateDevice(object, joystick, &device, nullptr), pf::DI_OK);
    EXPECT_EQ(device, nullptr);
    ASSERT_EQ(pf::DirectInput_CreateDevice(object, pf::GUID_SysKeyboard, &device, nullptr), pf::DI_OK);
    EXPECT_EQ(pf::Device_Acquire(device), pf::DIERR_INVALIDPARAM);  // no data format yet
    EXPECT_EQ(pf::Device_SetDataFormat(device, &pf::c_dfDIMouse), pf::DIERR_INVALIDPARAM);
    EXPECT_EQ(pf::Device_SetCooperativeLevel(device, window, pf::DISCL_EXCLUSIVE | pf::DISCL_NONEXCLUSIVE | pf::DISCL_FOREGROUND),
              pf::DIERR_INVALIDPARAM);
    EXPECT_EQ(pf::Device_Release(device), 0u);
    EXPECT_EQ(pf::Device_Acquire(device), pf::DIERR_INVALIDPARAM);  // released
}

TEST_F(MessageTest, MessageBoxesGoToTheBackendAndFormattingIsBounded) {
    EXPECT_EQ(pf::MessageBoxA(nullptr, "text\n", "Caption", pf::MB_OK), pf::IDOK);
    ASSERT_EQ(backend.boxes.size(), 1u);
    EXPECT_EQ(backend.boxes[0], "Caption|text\n");
    char out[1100];
    std::string longText(2000, 'x');
    EXPECT_EQ(pf::wsprintfA(out, "%s", longText.c_str()), 1023);
    EXPECT_EQ(std::string(out).size(), 1023u);
    EXPECT_EQ(pf::wsprintfA(out, "Lvl%04u.ldf", 3u), 11);
    EXPECT_STREQ(out, "Lvl0003.ldf");
}

}  // namespace
}  // namespace coretest
