// Full-screen and windowed display (Alt+Enter), the window's close button and
// the messages of a windowed game: shared by the DirectDraw, DirectInput and
// window parts of the backend.
//
// The seam's surface handles are the backend's own records, each holding the
// real surface of the moment: a switch of display mode makes new real
// surfaces behind the same handles. The game's three surfaces (primary, back
// buffer, picture sheet) then answer "surface lost" until the game restores
// them, as after any loss, so its own restore runs.
#pragma once

#include "win32.h"

namespace pf::win32 {

enum class SurfaceRole { Other, Primary, Back, Sheet };

struct Surface {
    ::IDirectDrawSurface* real = nullptr;
    SurfaceRole role = SurfaceRole::Other;
    bool used = false;
    bool lost = false;  // lost by a switch: answers lost until restored
    int locks = 0;
    bool keyed = false;  // the source colour key the program set
    ::DDCOLORKEY key = {};
};

// DirectDraw calls the display keeps track of.
void DisplayObjectSet(::IDirectDraw2* draw, ::HWND window, ::DWORD flags);
void DisplayModeSet(::DWORD width, ::DWORD height, ::DWORD bpp);
// True when the object was the display's (its surfaces went with it).
bool DisplayObjectReleased(::IUnknown* object);
void SurfaceMade(Surface* surface);
void SurfaceReleased(Surface* surface);

// True while the game is shown in a window.
bool Windowed();
// Windowed: shows the back buffer in the window and swaps the two buffers as
// a flip does.
HRESULT PresentInWindow(Surface* primary);
// The flip moment: a switch asked for meanwhile is made now.
void AfterFlip();
// A keyboard poll (`altHeld`: Alt down in the poll's own snapshot): Alt+Enter
// is taken out of the state (and starts a switch);
// a game that has not flipped for a while (paused, waiting for a key) is
// switched here.
void TakeDisplayKeys(BYTE* state, bool altHeld);
// A key event of the keyboard's buffer, in order: an Enter pressed while Alt
// is down counts even when both are let go before the poll.
void DisplayKeyEvent(::DWORD key, bool down);
// A waiting point (keyboard poll, flip, flip status, message peek, tick
// read): the windowed game's messages are handled, a close asked for is
// passed on to the game.
void DisplayPoint(bool pumpMessages);

// The real window procedure's part: true when the message was answered
// (*result) and must not reach the game's procedure.
bool WindowMessage(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam,
                   ::LRESULT* result);

// DirectInput devices the display switch adjusts (the mouse is shared while
// the game is windowed, so the pointer can reach the window's buttons).
void InputDevicesKnown(::IDirectInputDeviceA* keyboard, ::IDirectInputDeviceA* mouse);
void InputDeviceGone(::IDirectInputDeviceA* device);

}  // namespace pf::win32
