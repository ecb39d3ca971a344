// The shutdown sequence: level memory, audio, input, display, window.
#include "game/data/data.h"
#include "game/shell/shell.h"
#include "game/sound/sound.h"

void ShutDownGame() {
    // The level's two blocks, the block table first.
    ReleaseBlockTypes();
    ReleaseLayoutArray();
    ShutDownSound();
    ReleaseDInput();
    ReleaseDDraw();
    CloseGameWindow();
}

void ReleaseDInput() {
    if (MouseDevice != nullptr) {
        pf::Device_Unacquire(MouseDevice);
        pf::Device_Release(MouseDevice);
        MouseDevice = nullptr;
    }
    if (KeyboardDevice != nullptr) {
        pf::Device_Unacquire(KeyboardDevice);
        pf::Device_Release(KeyboardDevice);
        KeyboardDevice = nullptr;
    }
    if (DInput != nullptr) pf::DirectInput_Release(DInput);
    DInput = nullptr;
}

void ReleaseDDraw() {
    if (DDraw == nullptr) return;
    if (BackBuffer != nullptr) {
        pf::Surface_Release(BackBuffer);
        BackBuffer = nullptr;
    }
    if (PrimarySurface != nullptr) {
        pf::Surface_Release(PrimarySurface);
        PrimarySurface = nullptr;
    }
    // The offscreen surface goes with the DirectDraw object.
    pf::DirectDraw_Release(DDraw);
    DDraw = nullptr;
    OffscreenSurface = nullptr;
}

void CloseGameWindow() {
    pf::ShowCursor(pf::TRUE);
    if (FatalError) {
        pf::SetWindowPos(GameWindow, pf::HWND_BOTTOM, 0, 0, ScreenWidth, ScreenHeight,
                         pf::SWP_NOACTIVATE | pf::SWP_HIDEWINDOW);
        ShowFatalError();
    }
    pf::SendMessageA(GameWindow, pf::WM_DESTROY, 0, 0);
}
