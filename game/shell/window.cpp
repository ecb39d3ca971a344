// The window procedure, activation, suspension and the message pump.
#include "game/shell/shell.h"

pf::LRESULT MainWndProc(pf::HWND window, pf::UINT message, pf::WPARAM wParam,
                        pf::LPARAM lParam) {
    switch (message) {
        case pf::WM_DESTROY:
            pf::PostQuitMessage(0);
            return pf::DefWindowProcA(window, message, wParam, lParam);
        case pf::WM_ACTIVATEAPP:
            if (wParam != 0) {
                GameState = GS_PLAYING;
                if (DInput != nullptr) {
                    pf::Device_Acquire(KeyboardDevice);
                    pf::Device_Acquire(MouseDevice);
                }
            } else {
                GameState = GS_SUSPENDED;
            }
            return 0;
        case pf::WM_CLOSE:
            // The desktop asked the program to end (the window's close
            // button): leave through the quit state, which saves the hall of
            // fame. The window itself is closed by the shutdown sequence.
            GameState = GS_QUIT;
            return 0;
        default:
            return pf::DefWindowProcA(window, message, wParam, lParam);
    }
}

bool IsAltTabDown() { return KeyDown(KEY_LALT) && KeyDown(KEY_TAB); }

void SuspendGame() {
    GameState = GS_SUSPENDED;
    PumpMessages();
}

void PumpMessages() {
    pf::MSG message;
    while (pf::PeekMessageA(&message, nullptr, 0, 0, pf::PM_NOREMOVE)) {
        if (!pf::GetMessageA(&message, nullptr, 0, 0)) return;
        pf::TranslateMessage(&message);
        pf::DispatchMessageA(&message);
    }
}
