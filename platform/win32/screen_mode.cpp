// Alt+Enter: the game full-screen (exclusive, page flipping) or in a normal
// window of the desktop, and back, as often as the player likes.
//
// Windowed, the game is shown in a window of its own: a caption with the
// game's title and icon, a sizing frame and the close button. (The game's
// full-screen window is hidden meanwhile: once Direct3D has drawn into a
// window, Wine keeps a drawable of its own over that window's client area,
// which would hide any other picture.) The DirectDraw object works at the
// normal cooperative level: the primary surface is the desktop, seen through
// a clipper tied to that window, and the game's back buffer is an offscreen
// 800x600 surface of 16 bits (5-6-5) with a second one standing for the
// shown page. A flip copies the back buffer stretched into the client area
// (4:3 kept, black bars around) and swaps the two, so the game finds in its
// back buffer what it finds after a real flip. The picture sheet is an
// offscreen surface of the same format. A driver that refuses the stretched
// copy between formats gets the picture drawn through GDI instead. The input
// devices follow the window shown; the mouse is shared while windowed, so
// the pointer can reach the window's buttons.
//
// A switch makes all of these anew behind the game's handles and reports its
// three surfaces lost until the game restores them (its clears see the loss,
// restore, and put the sheet and the static parts back). The picture shown
// at the switch is kept and shown again at once, also while paused. The
// switch is made at the next flip, or at the keyboard poll when the game has
// not flipped for a while (paused, waiting for a key): never between a poll
// and a lock of the sheet in the same frame.
//
// Windowed, nobody else reads the window's messages while the game plays:
// they are handled at the game's waiting points. Activation changes met
// there are held back for the game's own message pump (which runs only while
// suspended), as the other backends queue them; the input devices are
// acquired again when the application becomes active. The close button (and
// Alt+F4) asks the program to end: the game's window procedure gets WM_CLOSE
// at every waiting point from then on, and the game ends as a quit from its
// menu ends it (the hall of fame saved).
#include "screen_mode.h"

#include <cstring>
#include <utility>

#include "picture.h"
#include "trace.h"

namespace pf::win32 {
namespace {

constexpr int kWidth = core::kPictureWidth;
constexpr int kHeight = core::kPictureHeight;
constexpr ::DWORD kPumpEveryMs = 4;
constexpr ::DWORD kIdleBeforePollSwitchMs = 100;
constexpr int kPollsBeforePollSwitch = 3;
constexpr BYTE kReturn = 0x1C;
constexpr BYTE kPadEnter = 0x9C;
constexpr BYTE kLeftAlt = 0x38;
constexpr BYTE kRightAlt = 0xB8;

struct Display {
    ::IDirectDraw2* draw = nullptr;
    ::HWND window = nullptr;  // the game's own (full-screen) window
    ::HWND desk = nullptr;    // the window of the windowed game
    ::DWORD level = 0;  // the program's own (full-screen) cooperative level
    ::DWORD width = kWidth, height = kHeight, bpp = 16;
    Surface* primary = nullptr;
    Surface* back = nullptr;
    Surface* sheet = nullptr;
    bool windowed = false;
    bool switchWanted = false;
    bool switching = false;
    bool pumping = false;  // reading the window's messages
    bool enterSwallowed = false;
    bool enterWasDown = false;
    bool eventAlt = false;      // Alt down, as the key events so far say
    int altEnters = 0;          // Enters that went down with Alt held
    ::IDirectDrawClipper* clipper = nullptr;
    ::IDirectDrawSurface* front = nullptr;  // windowed: the page shown
    bool gdi = false;  // windowed pictures through GDI
    ::DWORD lastFlipTick = 0;
    int pollsSinceFlip = 0;
    ::DWORD lastPump = 0;
    bool closeRequested = false;
    bool deliveringClose = false;
    bool cursorShown = false;
    ::IDirectInputDeviceA* keyboard = nullptr;
    ::IDirectInputDeviceA* mouse = nullptr;
};
Display D;

// The picture shown at a switch, shown again right after it.
uint16_t Shown[kWidth * kHeight];
bool ShownHeld = false;

void Drop(::IDirectDrawSurface*& surface) {
    if (surface != nullptr) surface->Release();
    surface = nullptr;
}

bool Ready() {
    return D.draw != nullptr && D.window != nullptr && D.primary != nullptr &&
           D.back != nullptr && D.sheet != nullptr;
}

bool AnyLocked() {
    for (Surface* s : {D.primary, D.back, D.sheet})
        if (s != nullptr && s->locks > 0) return true;
    return false;
}

bool KeepPicture(::IDirectDrawSurface* surface) {
    if (surface == nullptr) return false;
    ::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) != DD_OK)
        return false;
    const bool fits = desc.lpSurface != nullptr && desc.dwWidth >= kWidth &&
                      desc.dwHeight >= kHeight && desc.lPitch >= kWidth * 2 &&
                      desc.ddpfPixelFormat.dwRGBBitCount == 16;
    if (fits) {
        const auto* row = static_cast<const uint8_t*>(desc.lpSurface);
        for (int y = 0; y < kHeight; ++y, row += desc.lPitch)
            std::memcpy(Shown + y * kWidth, row, kWidth * 2);
    }
    surface->Unlock(nullptr);
    return fits;
}

void PutPicture(::IDirectDrawSurface* surface) {
    if (surface == nullptr) return;
    ::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr) != DD_OK) return;
    if (desc.lpSurface != nullptr && desc.dwWidth >= kWidth && desc.dwHeight >= kHeight &&
        desc.lPitch >= kWidth * 2) {
        auto* row = static_cast<uint8_t*>(desc.lpSurface);
        for (int y = 0; y < kHeight; ++y, row += desc.lPitch) {
            if (ShownHeld)
                std::memcpy(row, Shown + y * kWidth, kWidth * 2);
            else
                std::memset(row, 0, kWidth * 2);
        }
    }
    surface->Unlock(nullptr);
}

// An offscreen surface of the game's size; of 16 bits 5-6-5 when `rgb565`
// (windowed: the desktop may have another format), else of the display's.
::IDirectDrawSurface* MakeOffscreen(bool rgb565) {
    ::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = kWidth;
    desc.dwHeight = kHeight;
    if (rgb565) {
        desc.dwFlags |= DDSD_PIXELFORMAT;
        desc.ddpfPixelFormat.dwSize = sizeof desc.ddpfPixelFormat;
        desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
        desc.ddpfPixelFormat.dwRGBBitCount = 16;
        desc.ddpfPixelFormat.dwRBitMask = 0xF800;
        desc.ddpfPixelFormat.dwGBitMask = 0x07E0;
        desc.ddpfPixelFormat.dwBBitMask = 0x001F;
    }
    ::IDirectDrawSurface* surface = nullptr;
    if (D.draw->CreateSurface(&desc, &surface, nullptr) != DD_OK) return nullptr;
    return surface;
}

void ApplyKey(Surface* record) {
    if (record->real != nullptr && record->keyed)
        record->real->SetColorKey(DDCKEY_SRCBLT, &record->key);
}

// Every real surface of the display let go (the records stay).
void ReleaseReal() {
    Drop(D.back->real);
    Drop(D.front);
    if (D.primary->real != nullptr && D.clipper != nullptr) D.primary->real->SetClipper(nullptr);
    Drop(D.primary->real);
    if (D.clipper != nullptr) D.clipper->Release();
    D.clipper = nullptr;
    Drop(D.sheet->real);
}

bool MakeFullScreen() {
    if (D.draw->SetCooperativeLevel(D.window, D.level) != DD_OK) return false;
    if (D.draw->SetDisplayMode(D.width, D.height, D.bpp, 0, 0) != DD_OK) return false;
    ::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    if (D.draw->CreateSurface(&desc, &D.primary->real, nullptr) != DD_OK) return false;
    ::DDSCAPS caps = {};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    if (D.primary->real->GetAttachedSurface(&caps, &D.back->real) != DD_OK) return false;
    D.sheet->real = MakeOffscreen(false);
    return D.sheet->real != nullptr;
}

bool MakeWindowed() {
    D.draw->RestoreDisplayMode();
    if (D.draw->SetCooperativeLevel(D.desk, DDSCL_NORMAL) != DD_OK) return false;
    ::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (D.draw->CreateSurface(&desc, &D.primary->real, nullptr) != DD_OK) return false;
    if (D.draw->CreateClipper(0, &D.clipper, nullptr) != DD_OK) return false;
    if (D.clipper->SetHWnd(0, D.desk) != DD_OK) return false;
    if (D.primary->real->SetClipper(D.clipper) != DD_OK) return false;
    D.back->real = MakeOffscreen(true);
    D.front = MakeOffscreen(true);
    D.sheet->real = MakeOffscreen(true);
    return D.back->real != nullptr && D.front != nullptr && D.sheet->real != nullptr;
}

::LRESULT CALLBACK DeskProcedure(::HWND, ::UINT, ::WPARAM, ::LPARAM);

// The desktop window: the game's title and icon, a caption, a sizing frame
// and the close button; made at the first switch, kept hidden while the game
// is full-screen.
bool MakeDesk() {
    if (D.desk != nullptr) return true;
    const ::HINSTANCE instance = ::GetModuleHandleA(nullptr);
    ::WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = DeskProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = reinterpret_cast<::HICON>(::GetClassLongPtrA(D.window, GCLP_HICON));
    windowClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
    windowClass.hbrBackground = static_cast<::HBRUSH>(::GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "Velnorix window";
    ::RegisterClassExA(&windowClass);
    char title[128] = "";
    ::GetWindowTextA(D.window, title, sizeof title);
    D.desk = ::CreateWindowExA(0, "Velnorix window", title, WS_OVERLAPPEDWINDOW, 0, 0, kWidth,
                               kHeight, nullptr, nullptr, instance, nullptr);
    return D.desk != nullptr;
}

// Client area 800x600 or, on a smaller desktop, as large as fits at 4:3;
// centred. The game's own window is hidden meanwhile.
void ShowDesk() {
    const ::DWORD style = WS_OVERLAPPEDWINDOW;
    ::RECT work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    ::RECT frame = {0, 0, 0, 0};
    ::AdjustWindowRectEx(&frame, style, FALSE, 0);
    const int frameW = frame.right - frame.left, frameH = frame.bottom - frame.top;
    int clientW = kWidth, clientH = kHeight;
    const int roomW = work.right - work.left - frameW, roomH = work.bottom - work.top - frameH;
    if (clientW > roomW) {
        clientW = roomW;
        clientH = clientW * 3 / 4;
    }
    if (clientH > roomH) {
        clientH = roomH;
        clientW = clientH * 4 / 3;
    }
    if (clientW < 160 || clientH < 120) {
        clientW = 160;
        clientH = 120;
    }
    const int w = clientW + frameW, h = clientH + frameH;
    const int x = work.left + (work.right - work.left - w) / 2;
    const int y = work.top + (work.bottom - work.top - h) / 2;
    ::ShowWindow(D.window, SW_HIDE);
    ::SetWindowPos(D.desk, nullptr, x, y > work.top ? y : work.top, w, h,
                   SWP_NOZORDER | SWP_SHOWWINDOW);
    ::SetForegroundWindow(D.desk);
    ::SetFocus(D.desk);
    ::RECT outer = {}, client = {};
    ::GetWindowRect(D.desk, &outer);
    ::GetClientRect(D.desk, &client);
    ::POINT origin = {0, 0};
    ::ClientToScreen(D.desk, &origin);
    Trace("display: window %ld,%ld %ldx%ld, client %ld,%ld %ldx%ld", outer.left, outer.top,
          outer.right - outer.left, outer.bottom - outer.top, origin.x, origin.y, client.right,
          client.bottom);
}

void ShowGameWindow() {
    if (D.desk != nullptr) ::ShowWindow(D.desk, SW_HIDE);
    ::ShowWindow(D.window, SW_SHOW);
    ::SetForegroundWindow(D.window);
    ::SetFocus(D.window);
}

// The input devices follow the window shown; the mouse is shared while
// windowed, so the pointer can reach the window's buttons.
void MoveInput(bool windowed) {
    const ::HWND owner = windowed ? D.desk : D.window;
    if (D.keyboard != nullptr) {
        D.keyboard->Unacquire();
        D.keyboard->SetCooperativeLevel(owner, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    }
    if (D.mouse != nullptr) {
        D.mouse->Unacquire();
        D.mouse->SetCooperativeLevel(
            owner, (windowed ? DISCL_NONEXCLUSIVE : DISCL_EXCLUSIVE) | DISCL_FOREGROUND);
    }
}

void Reacquire() {
    if (D.keyboard != nullptr) D.keyboard->Acquire();
    if (D.mouse != nullptr) D.mouse->Acquire();
}

// Where the picture goes in the client area: as large as fits at 4:3.
::RECT PictureRect(const ::RECT& client) {
    const int w = client.right, h = client.bottom;
    int pw = w, ph = w * 3 / 4;
    if (ph > h) {
        ph = h;
        pw = h * 4 / 3;
    }
    const int x = (w - pw) / 2, y = (h - ph) / 2;
    return {x, y, x + pw, y + ph};
}

// The black bars beside or above and below the picture (empty when none).
void Bars(const ::RECT& client, const ::RECT& picture, ::RECT* first, ::RECT* second) {
    if (picture.left > 0 || picture.right < client.right) {
        *first = {0, 0, picture.left, client.bottom};
        *second = {picture.right, 0, client.right, client.bottom};
    } else {
        *first = {0, 0, client.right, picture.top};
        *second = {0, picture.bottom, client.right, client.bottom};
    }
}

void ShowThroughGdi(::IDirectDrawSurface* source, const ::RECT& client, const ::RECT& picture) {
    ::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    if (source->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) != DD_OK) return;
    struct {
        ::BITMAPINFOHEADER header;
        ::DWORD masks[3];
    } info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = desc.lPitch / 2;
    info.header.biHeight = -kHeight;  // top row first
    info.header.biPlanes = 1;
    info.header.biBitCount = 16;
    info.header.biCompression = BI_BITFIELDS;
    info.masks[0] = 0xF800;
    info.masks[1] = 0x07E0;
    info.masks[2] = 0x001F;
    if (const ::HDC dc = ::GetDC(D.desk)) {
        ::RECT first, second;
        Bars(client, picture, &first, &second);
        const auto black = static_cast<::HBRUSH>(::GetStockObject(BLACK_BRUSH));
        ::FillRect(dc, &first, black);
        ::FillRect(dc, &second, black);
        ::StretchDIBits(dc, picture.left, picture.top, picture.right - picture.left,
                        picture.bottom - picture.top, 0, 0, kWidth, kHeight, desc.lpSurface,
                        reinterpret_cast<const ::BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY);
        ::ReleaseDC(D.desk, dc);
    }
    source->Unlock(nullptr);
}

// The page `source` stretched into the window's client area.
void ShowInWindow(::IDirectDrawSurface* source) {
    if (!D.windowed || source == nullptr || D.primary->real == nullptr || D.desk == nullptr ||
        ::IsIconic(D.desk))
        return;
    ::RECT client = {};
    if (!::GetClientRect(D.desk, &client) || client.right <= 0 || client.bottom <= 0) return;
    const ::RECT picture = PictureRect(client);
    if (!D.gdi) {
        ::POINT origin = {0, 0};
        ::ClientToScreen(D.desk, &origin);
        const auto onScreen = [&](const ::RECT& r) {
            return ::RECT{r.left + origin.x, r.top + origin.y, r.right + origin.x,
                          r.bottom + origin.y};
        };
        ::RECT first, second;
        Bars(client, picture, &first, &second);
        ::DDBLTFX fx = {};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = 0;
        for (const ::RECT& bar : {first, second}) {
            if (bar.right <= bar.left || bar.bottom <= bar.top) continue;
            ::RECT r = onScreen(bar);
            D.primary->real->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
        }
        ::RECT dest = onScreen(picture);
        HRESULT result = D.primary->real->Blt(&dest, source, nullptr, DDBLT_WAIT, nullptr);
        if (result == DDERR_SURFACELOST && D.primary->real->Restore() == DD_OK)
            result = D.primary->real->Blt(&dest, source, nullptr, DDBLT_WAIT, nullptr);
        if (result == DD_OK || result == DDERR_SURFACELOST) return;
        Trace("window: the driver's copy answered 0x%08lx: pictures through GDI",
              static_cast<unsigned long>(result));
        D.gdi = true;
    }
    ShowThroughGdi(source, client, picture);
}

void Switch() {
    D.switchWanted = false;
    if (!Ready()) return;
    D.switching = true;
    const bool toWindow = !D.windowed;
    ShownHeld = KeepPicture(D.windowed ? D.front : D.primary->real);
    ReleaseReal();
    bool made = false;
    if (toWindow) {
        made = MakeDesk() && MakeWindowed();
        if (made) ShowDesk();
    } else {
        ShowGameWindow();
        made = MakeFullScreen();
    }
    bool windowed = toWindow;
    if (!made) {
        Trace("display: the switch failed; back to %s", toWindow ? "full-screen" : "a window");
        ReleaseReal();
        windowed = !toWindow;
        if (windowed) {
            made = MakeDesk() && MakeWindowed();
            if (made) ShowDesk();
        } else {
            ShowGameWindow();
            made = MakeFullScreen();
        }
    }
    D.windowed = windowed;
    ApplyKey(D.primary);
    ApplyKey(D.sheet);
    // Lost for the game until it restores them: its clear sees the loss and
    // puts the sheet and the static parts back.
    D.primary->lost = D.back->lost = D.sheet->lost = true;
    if (D.windowed) {
        PutPicture(D.front);
        ShowInWindow(D.front);
    } else if (D.back->real != nullptr) {
        PutPicture(D.back->real);
        D.primary->real->Flip(nullptr, DDFLIP_WAIT);
    }
    if (D.windowed != D.cursorShown) {
        ::ShowCursor(D.windowed ? TRUE : FALSE);
        D.cursorShown = D.windowed;
    }
    MoveInput(D.windowed);
    Reacquire();
    D.switching = false;
    if (made)
        Trace("display: %s", D.windowed ? "windowed" : "full-screen");
    else
        Trace("display: no display could be made");
}

// The window's messages while the windowed game runs. Activation changes
// are left in the queue for the game's own pump (see WindowMessage).
void Pump() {
    if (D.switching || D.pumping || D.window == nullptr) return;
    const ::DWORD now = ::GetTickCount();
    if (now - D.lastPump < kPumpEveryMs) return;
    D.lastPump = now;
    D.pumping = true;
    ::MSG message;
    for (int i = 0; i < 64; ++i) {
        if (!::PeekMessageA(&message, nullptr, 0, WM_ACTIVATEAPP - 1, PM_REMOVE) &&
            !::PeekMessageA(&message, nullptr, WM_ACTIVATEAPP + 1, 0xFFFFFFFFu, PM_REMOVE))
            break;
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        ::DispatchMessageA(&message);
    }
    D.pumping = false;
}

// Holds an activation change back for the game's pump: one that undoes a
// change still queued cancels it, so the queue keeps the net change only.
void HoldActivation(::HWND window, bool active) {
    ::MSG queued;
    if (::PeekMessageA(&queued, window, WM_ACTIVATEAPP, WM_ACTIVATEAPP, PM_REMOVE) &&
        (queued.wParam != 0) != active)
        return;
    ::PostMessageA(window, WM_ACTIVATEAPP, active ? 1 : 0, 0);
}

void DeliverClose() {
    if (!D.closeRequested || D.deliveringClose || D.window == nullptr) return;
    D.deliveringClose = true;
    ::SendMessageA(D.window, WM_CLOSE, 0, 0);
    D.deliveringClose = false;
}

}  // namespace

void DisplayObjectSet(::IDirectDraw2* draw, ::HWND window, ::DWORD flags) {
    // The program's own set-up only (a switch calls the real object itself).
    if ((flags & DDSCL_EXCLUSIVE) == 0) return;
    D.draw = draw;
    D.window = window;
    D.level = flags;
}

void DisplayModeSet(::DWORD width, ::DWORD height, ::DWORD bpp) {
    D.width = width;
    D.height = height;
    D.bpp = bpp;
}

bool DisplayObjectReleased(::IUnknown* object) {
    if (D.draw == nullptr || reinterpret_cast<::IUnknown*>(D.draw) != object) return false;
    // The object took its surfaces and clipper with it.
    if (D.desk != nullptr) ::ShowWindow(D.desk, SW_HIDE);
    D.draw = nullptr;
    D.primary = D.back = D.sheet = nullptr;
    D.front = nullptr;
    D.clipper = nullptr;
    D.switchWanted = false;
    return true;
}

void SurfaceMade(Surface* surface) {
    switch (surface->role) {
        case SurfaceRole::Primary:
            if (D.primary == nullptr) D.primary = surface;
            break;
        case SurfaceRole::Back:
            if (D.back == nullptr) D.back = surface;
            break;
        case SurfaceRole::Sheet:
            if (D.sheet == nullptr) D.sheet = surface;
            break;
        case SurfaceRole::Other: break;
    }
}

void SurfaceReleased(Surface* surface) {
    if (surface == D.back) {
        Drop(D.front);
        D.back = nullptr;
    } else if (surface == D.primary) {
        if (D.clipper != nullptr) {
            if (surface->real != nullptr) surface->real->SetClipper(nullptr);
            D.clipper->Release();
            D.clipper = nullptr;
        }
        D.primary = nullptr;
    } else if (surface == D.sheet) {
        D.sheet = nullptr;
    }
}

bool Windowed() { return D.windowed; }

HRESULT PresentInWindow(Surface* primary) {
    if (primary != D.primary || D.back == nullptr || D.back->real == nullptr) return DDERR_GENERIC;
    if (D.back->lost || D.back->real->IsLost() == DDERR_SURFACELOST) return DDERR_SURFACELOST;
    if (D.back->locks > 0) return DDERR_SURFACEBUSY;
    ShowInWindow(D.back->real);
    std::swap(D.back->real, D.front);
    return DD_OK;
}

void AfterFlip() {
    D.lastFlipTick = ::GetTickCount();
    D.pollsSinceFlip = 0;
    if (D.switchWanted && !AnyLocked()) Switch();
}

void DisplayKeyEvent(::DWORD key, bool down) {
    if (key == kLeftAlt || key == kRightAlt)
        D.eventAlt = down;
    else if ((key == kReturn || key == kPadEnter) && down && D.eventAlt)
        ++D.altEnters;
}

void TakeDisplayKeys(BYTE* state, bool altHeld) {
    const bool enter = state[kReturn] != 0 || state[kPadEnter] != 0;
    const bool alt = state[kLeftAlt] != 0 || state[kRightAlt] != 0;
    // Seen in the key events (each press counts, also those made while a
    // switch was under way), or (a keyboard without them) in the state.
    int presses = D.altEnters;
    if (presses == 0 && enter && !D.enterWasDown && alt && !D.enterSwallowed) presses = 1;
    D.altEnters = 0;
    D.eventAlt = altHeld;  // the events of the next poll start from here
    // Alt+Enter is the backend's: the game sees neither the press nor the
    // hold of that Enter.
    for (int i = 0; i < presses; ++i) {
        D.enterSwallowed = true;
        if (Ready()) {
            D.switchWanted = !D.switchWanted;
            Trace("display: Alt+Enter");
        }
    }
    D.enterWasDown = enter;
    if (D.enterSwallowed) {
        if (enter) {
            state[kReturn] = 0;
            state[kPadEnter] = 0;
        } else {
            D.enterSwallowed = false;
        }
    }
    if (++D.pollsSinceFlip >= kPollsBeforePollSwitch && D.switchWanted && !AnyLocked() &&
        ::GetTickCount() - D.lastFlipTick >= kIdleBeforePollSwitchMs)
        Switch();
}

void DisplayPoint(bool pumpMessages) {
    if (pumpMessages && D.windowed) Pump();
    DeliverClose();
}

bool WindowMessage(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM /*lParam*/,
                   ::LRESULT* result) {
    switch (message) {
        case WM_ACTIVATEAPP:
            if (!(D.switching || D.pumping) || window != D.window) return false;
            if (wParam != 0) Reacquire();
            HoldActivation(window, wParam != 0);
            *result = 0;
            return true;
        case WM_CLOSE:
            if (window == D.window && !D.closeRequested) {
                Trace("close: the game ends as from the menu");
                D.closeRequested = true;
            }
            return false;  // the game's procedure sets its quit state
        case WM_SYSCOMMAND:
            // Alt or F10 alone would open the system menu's keyboard loop,
            // which holds the game until a key ends it.
            if ((wParam & 0xFFF0) != SC_KEYMENU) return false;
            *result = 0;
            return true;
        case WM_SYSCHAR:
            *result = 0;  // no beep for Alt with a letter or Enter
            return true;
        default: return false;
    }
}

namespace {

::LRESULT CALLBACK DeskProcedure(::HWND window, ::UINT message, ::WPARAM wParam,
                                 ::LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            ::PAINTSTRUCT paint;
            ::BeginPaint(window, &paint);
            ::EndPaint(window, &paint);
            if (!D.switching && D.front != nullptr) ShowInWindow(D.front);
            return 0;
        }
        case WM_ERASEBKGND: return 1;  // the picture and its bars cover it
        case WM_CLOSE:
            // The close button (or Alt+F4): the game ends as from its menu.
            if (D.window != nullptr) ::SendMessageA(D.window, WM_CLOSE, 0, 0);
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_KEYMENU) return 0;
            break;
        case WM_SYSCHAR: return 0;
        default: break;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void InputDevicesKnown(::IDirectInputDeviceA* keyboard, ::IDirectInputDeviceA* mouse) {
    if (keyboard != nullptr) D.keyboard = keyboard;
    if (mouse != nullptr) D.mouse = mouse;
}

void InputDeviceGone(::IDirectInputDeviceA* device) {
    if (device == D.keyboard) D.keyboard = nullptr;
    if (device == D.mouse) D.mouse = nullptr;
}

}  // namespace pf::win32
