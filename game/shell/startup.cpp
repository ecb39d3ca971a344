// Program entry and start-up: window, display, input and audio, then the
// main loop over the state machine.
#include "game/display/display.h"
#include "game/input/input.h"
#include "game/play/play.h"
#include "game/shell/shell.h"
#include "game/sound/sound.h"
#include "pf/random.h"

int WinMain(pf::HINSTANCE instance, pf::HINSTANCE /*previous*/, char* /*commandLine*/,
            int showCommand) {
    if (InitGame(instance, showCommand)) {
        while (GameStep()) {
        }
    }
    ShutDownGame();
    return 0;
}

int InitGame(pf::HINSTANCE instance, int showCommand) {
    // No interfaces, no level held, the ship at rest.
    MouseDevice = nullptr;
    KeyboardDevice = nullptr;
    DInput = nullptr;
    DDraw = nullptr;
    DDrawFirst = nullptr;
    PrimarySurface = nullptr;
    BackBuffer = nullptr;
    OffscreenSurface = nullptr;
    BlockTypesMemory = nullptr;
    BlockTypes = nullptr;
    LayoutArrayMemory = nullptr;
    LayoutArray = nullptr;
    ShipSpeed = 0;

    // The first screen is drawn whole into both buffers.
    RedrawPending = 1;
    RedrawCount = 0;
    GameState = GS_STARTING;

    // Frame clock, then the random generator from a second reading.
    FrameTime = pf::GetTickCount();
    pf::srand(pf::GetTickCount());

    ResetPaddleAndBall();

    // The program's instance and window title; no failure yet.
    AppInstance = instance;
    pf::wsprintfA(WindowTitle, "Velnorix [Win32]");
    FatalError = 0;

    // The window class; its result is not examined.
    pf::WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = pf::CS_DBLCLKS;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = AppInstance;
    windowClass.hIcon = pf::LoadIconA(AppInstance, 101);
    windowClass.hCursor = pf::LoadCursorA(nullptr, pf::IDC_ARROW);
    windowClass.hbrBackground = static_cast<pf::HBRUSH>(pf::GetStockObject(pf::BLACK_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = WindowTitle;
    windowClass.hIconSm = nullptr;
    pf::RegisterClassExA(&windowClass);

    // The full-screen pop-up window.
    GameWindow = pf::CreateWindowExA(pf::WS_EX_TOPMOST, WindowTitle, WindowTitle,
                                     pf::WS_POPUP | pf::WS_VISIBLE, pf::CW_USEDEFAULT,
                                     pf::CW_USEDEFAULT, ScreenWidth, ScreenHeight, nullptr, nullptr, AppInstance,
                                     nullptr);
    if (GameWindow == nullptr) return ReportError("[InitGame] Unable to create window\n");

    // Shown, given the keyboard, without a cursor.
    pf::ShowWindow(GameWindow, showCommand);
    pf::UpdateWindow(GameWindow);
    pf::SetFocus(GameWindow);
    pf::ShowCursor(pf::FALSE);

    // Display, input and sound, each reporting its own failure.
    if (!InitDDraw()) return 0;
    if (!InitDInput()) return 0;
    if (!OpenSound()) return 0;

    // The intro comes first: whatever activation messages wrote during
    // start-up is overwritten.
    GameState = GS_INTRO;
    MenuSelection = 0;
    return 1;
}
