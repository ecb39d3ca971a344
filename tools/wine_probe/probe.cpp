// vx_wine_probe.exe: the DirectDraw calls of one game frame and nothing else,
// to tell what Wine itself costs from what the game costs.
//
// Like the game it takes an 800x600x16 display in exclusive full-screen mode
// with one back buffer and an 800x600 offscreen sheet whose colour 0 is
// transparent, and under Wine it runs Direct3D's commands on the calling
// thread (WINE_D3D_CONFIG=csmt=0 unless set). Every frame (27 ms, the game's
// frame period) it makes the calls of the game's play frame:
//   - a colour fill (Blt) of the play field, 550x600, on the back buffer,
//   - 48 sprites copied from the sheet with BltFast and the source colour
//     key (48x24 each: about the pixels of the game's blocks, ship, ball and
//     score),
//   - the flip status, then a Flip,
//   - PeekMessage until the queue is empty,
// then sleeps until the next frame is due. Nothing else runs: no game logic,
// no input devices, no music, no tick-count polling.
//
//   vx_wine_probe.exe [--sprites N] [--lock] [--no-clear] [--seconds S]
//       --sprites N  sprites a frame (default 48; 0: none)
//       --lock       also locks the back buffer, writes 16 rows and unlocks it
//       --no-clear   no colour fill
//       --seconds S  ends by itself after S seconds (default: at Escape or
//                    when the window closes)
#include <windows.h>
#include <ddraw.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr DWORD kFrameMs = 27;

bool Running = true;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) Running = false;
    if (message == WM_DESTROY) Running = false;
    return DefWindowProcA(window, message, wParam, lParam);
}

// The same Wine set-up as the game's backend: Direct3D's commands on the
// calling thread, set before ddraw.dll (and with it Direct3D) is loaded.
void PrepareWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return;
    if (GetEnvironmentVariableA("WINE_D3D_CONFIG", nullptr, 0) != 0) return;
    SetEnvironmentVariableA("WINE_D3D_CONFIG", "csmt=0");
    static char setting[] = "WINE_D3D_CONFIG=csmt=0";
    for (const char* runtime : {"msvcrt.dll", "ucrtbase.dll"}) {
        const HMODULE module = GetModuleHandleA(runtime);
        if (module == nullptr) continue;
        using PutEnv = int(__cdecl*)(const char*);
        if (const auto put = reinterpret_cast<PutEnv>(
                reinterpret_cast<void*>(GetProcAddress(module, "_putenv"))))
            put(setting);
    }
}

int Fail(const char* what, HRESULT result) {
    char text[160];
    wsprintfA(text, "%s failed: 0x%08lx", what, static_cast<unsigned long>(result));
    MessageBoxA(nullptr, text, "vx_wine_probe", MB_OK | MB_ICONERROR);
    return 1;
}

// Fills the sheet: coloured tiles with a transparent (0) border.
void PaintSheet(IDirectDrawSurface* sheet) {
    DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    if (sheet->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return;
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<WORD*>(static_cast<BYTE*>(desc.lpSurface) + y * desc.lPitch);
        for (int x = 0; x < kWidth; ++x)
            row[x] = (x % 48 == 0 || y % 24 == 0) ? 0 : static_cast<WORD>((x * 7 + y * 13) | 1);
    }
    sheet->Unlock(nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    int sprites = 48;
    bool lock = false;
    bool clear = true;
    DWORD seconds = 0;
    for (int i = 1; i < __argc; ++i) {
        if (std::strcmp(__argv[i], "--sprites") == 0 && i + 1 < __argc)
            sprites = std::atoi(__argv[++i]);
        else if (std::strcmp(__argv[i], "--seconds") == 0 && i + 1 < __argc)
            seconds = static_cast<DWORD>(std::atoi(__argv[++i]));
        else if (std::strcmp(__argv[i], "--lock") == 0)
            lock = true;
        else if (std::strcmp(__argv[i], "--no-clear") == 0)
            clear = false;
    }
    if (sprites < 0) sprites = 0;

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "VxWineProbe";
    if (RegisterClassExA(&windowClass) == 0) return Fail("RegisterClassEx", GetLastError());
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "VxWineProbe", "vx_wine_probe", WS_POPUP, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return Fail("CreateWindowEx", GetLastError());
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    SetFocus(window);
    ShowCursor(FALSE);

    PrepareWine();
    const HMODULE ddraw = LoadLibraryA("ddraw.dll");
    using Create = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);
    const auto create = ddraw != nullptr ? reinterpret_cast<Create>(reinterpret_cast<void*>(
                                               GetProcAddress(ddraw, "DirectDrawCreate")))
                                         : nullptr;
    if (create == nullptr) return Fail("loading ddraw.dll", GetLastError());
    IDirectDraw* first = nullptr;
    HRESULT result = create(nullptr, &first, nullptr);
    if (result != DD_OK) return Fail("DirectDrawCreate", result);
    IDirectDraw2* draw = nullptr;
    result = first->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&draw));
    if (result != DD_OK) return Fail("QueryInterface(IDirectDraw2)", result);
    result = draw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT);
    if (result != DD_OK) return Fail("SetCooperativeLevel", result);
    result = draw->SetDisplayMode(kWidth, kHeight, 16, 0, 0);
    if (result != DD_OK) return Fail("SetDisplayMode", result);

    DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface* primary = nullptr;
    result = draw->CreateSurface(&desc, &primary, nullptr);
    if (result != DD_OK) return Fail("CreateSurface(primary)", result);
    DDSCAPS backCaps = {DDSCAPS_BACKBUFFER};
    IDirectDrawSurface* back = nullptr;
    result = primary->GetAttachedSurface(&backCaps, &back);
    if (result != DD_OK) return Fail("GetAttachedSurface", result);

    desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = kWidth;
    desc.dwHeight = kHeight;
    IDirectDrawSurface* sheet = nullptr;
    result = draw->CreateSurface(&desc, &sheet, nullptr);
    if (result != DD_OK) return Fail("CreateSurface(sheet)", result);
    DDCOLORKEY key = {0, 0};
    sheet->SetColorKey(DDCKEY_SRCBLT, &key);
    PaintSheet(sheet);

    DDBLTFX fill = {};
    fill.dwSize = sizeof fill;
    const DWORD start = GetTickCount();
    DWORD due = start;
    unsigned frame = 0;
    while (Running) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) Running = false;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (seconds != 0 && GetTickCount() - start >= seconds * 1000) break;

        RECT field = {0, 0, 550, kHeight};
        if (clear && back->Blt(&field, nullptr, nullptr, DDBLT_COLORFILL, &fill) ==
                         DDERR_SURFACELOST) {
            primary->Restore();
            sheet->Restore();
            PaintSheet(sheet);
        }
        for (int i = 0; i < sprites; ++i) {
            // 48x24 tiles of the sheet, spread over the screen, moving.
            const int tile = (i * 7 + static_cast<int>(frame)) % 400;
            RECT from = {(tile % 16) * 48, (tile / 16) * 24, (tile % 16) * 48 + 48,
                         (tile / 16) * 24 + 24};
            const DWORD x =
                static_cast<DWORD>((i * 53 + static_cast<int>(frame) * 3) % (kWidth - 48));
            const DWORD y = static_cast<DWORD>((i * 37) % (kHeight - 24));
            back->BltFast(x, y, sheet, &from, DDBLTFAST_SRCCOLORKEY);
        }
        if (lock) {
            desc = {};
            desc.dwSize = sizeof desc;
            if (back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) == DD_OK) {
                // A status line: 16 rows across the bottom of the screen.
                for (int y = kHeight - 16; y < kHeight; ++y) {
                    auto* row = reinterpret_cast<WORD*>(static_cast<BYTE*>(desc.lpSurface) +
                                                        y * desc.lPitch);
                    for (int x = 0; x < kWidth; ++x) row[x] = static_cast<WORD>(x + frame);
                }
                back->Unlock(nullptr);
            }
        }
        // As the game: the back buffer's flip status, then a flip without
        // flags.
        while (back->GetFlipStatus(DDGFS_ISFLIPDONE) == DDERR_WASSTILLDRAWING) Sleep(1);
        primary->Flip(nullptr, 0);
        ++frame;

        // The next frame is due 27 ms after this one was: sleep until then.
        due += kFrameMs;
        const DWORD now = GetTickCount();
        if (static_cast<LONG>(due - now) > 0)
            Sleep(due - now);
        else
            due = now;
    }
    sheet->Release();
    primary->Release();
    draw->Release();
    first->Release();
    DestroyWindow(window);
    return 0;
}
