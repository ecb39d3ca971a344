// Window classes, windows, the message pump, message boxes, the tick count and
// string formatting: user32, gdi32 and kernel32 themselves.
//
// A seam window procedure takes the seam's handle and parameter types, so it
// cannot be registered as it is: every class registered here gets one real
// window procedure, which looks up the program's procedure by the class atom
// and calls it with the handle cast.
//
// The tick count gives the processor back inside the game's busy waits (see
// pacing.cpp; the waits themselves and their results stay as the game wrote
// them).
// A message queue peeked empty again and again (the suspended game's pump)
// waits for the next message, at most a few milliseconds, from the third
// empty peek within a millisecond: a message ends the wait at once.
#include <cstdarg>

#include "pacing.h"
#include "screen_mode.h"
#include "trace.h"
#include "win32.h"

namespace pf {
namespace {

// One entry per class registered through the seam; a program registers one
// or two, so a short table searched in order is enough.
struct ClassProcedure {
    ::ATOM atom;
    WNDPROC procedure;
};
constexpr int kMaxClasses = 16;
ClassProcedure Classes[kMaxClasses];
int ClassCount = 0;

WNDPROC ProcedureOf(::HWND window) {
    const ::ATOM atom = static_cast<::ATOM>(::GetClassWord(window, GCW_ATOM));
    for (int i = 0; i < ClassCount; ++i)
        if (Classes[i].atom == atom) return Classes[i].procedure;
    return nullptr;
}

::LRESULT CALLBACK RealWindowProcedure(::HWND window, ::UINT message, ::WPARAM wParam,
                                       ::LPARAM lParam) {
    if (message == WM_ACTIVATEAPP) {
        win32::Trace("activate: %d", wParam != 0 ? 1 : 0);
        // A full-screen window is minimized when the application loses the
        // foreground; activated again without being restored (Wine does
        // that when the window above it closes), it would stay unseen while
        // the game plays on.
        if (wParam != 0 && ::IsIconic(window)) {
            win32::Trace("restoring the minimized window");
            ::ShowWindow(window, SW_RESTORE);
        }
    }
    // The display's share: a windowed game's paint, held activations, the
    // close button.
    ::LRESULT answer = 0;
    if (win32::WindowMessage(window, message, wParam, lParam, &answer)) return answer;
    const WNDPROC procedure = ProcedureOf(window);
    if (procedure == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
    return procedure(reinterpret_cast<HWND>(window), message, wParam, lParam);
}

::HWND Real(HWND window) { return reinterpret_cast<::HWND>(window); }

void ToSeam(const ::MSG& from, MSG* to) {
    to->hwnd = reinterpret_cast<HWND>(from.hwnd);
    to->message = from.message;
    to->wParam = from.wParam;
    to->lParam = from.lParam;
    to->time = from.time;
    to->pt.x = from.pt.x;
    to->pt.y = from.pt.y;
}

::MSG ToReal(const MSG& from) {
    ::MSG to = {};
    to.hwnd = Real(from.hwnd);
    to.message = from.message;
    to.wParam = from.wParam;
    to.lParam = from.lParam;
    to.time = from.time;
    to.pt.x = from.pt.x;
    to.pt.y = from.pt.y;
    return to;
}

constexpr int kEmptyPeeksBeforeWait = 2;
constexpr ::DWORD kEmptyQueueWaitMs = 8;
::DWORD LastEmptyPeek = 0;
int EmptyPeeks = 0;

}  // namespace

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
    if (windowClass == nullptr) return 0;
    if (ClassCount == kMaxClasses) return 0;
    ::WNDCLASSEXA real = {};
    // A record of the wrong size is passed on as one, and refused.
    real.cbSize = windowClass->cbSize == sizeof(WNDCLASSEXA) ? sizeof real : 0;
    real.style = windowClass->style;
    real.lpfnWndProc = windowClass->lpfnWndProc != nullptr ? RealWindowProcedure : nullptr;
    real.cbClsExtra = windowClass->cbClsExtra;
    real.cbWndExtra = windowClass->cbWndExtra;
    real.hInstance = reinterpret_cast<::HINSTANCE>(windowClass->hInstance);
    real.hIcon = static_cast<::HICON>(windowClass->hIcon);
    real.hCursor = static_cast<::HCURSOR>(windowClass->hCursor);
    real.hbrBackground = static_cast<::HBRUSH>(windowClass->hbrBackground);
    real.lpszMenuName = windowClass->lpszMenuName;
    real.lpszClassName = windowClass->lpszClassName;
    real.hIconSm = static_cast<::HICON>(windowClass->hIconSm);
    const ::ATOM atom = ::RegisterClassExA(&real);
    if (atom != 0) Classes[ClassCount++] = {atom, windowClass->lpfnWndProc};
    return atom;
}

HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     void* param) {
    return reinterpret_cast<HWND>(::CreateWindowExA(
        exStyle, className, title, style, x, y, width, height, Real(parent),
        static_cast<::HMENU>(menu), reinterpret_cast<::HINSTANCE>(instance), param));
}

BOOL ShowWindow(HWND window, int showCommand) { return ::ShowWindow(Real(window), showCommand); }

BOOL UpdateWindow(HWND window) { return ::UpdateWindow(Real(window)); }

HWND SetFocus(HWND window) { return reinterpret_cast<HWND>(::SetFocus(Real(window))); }

int ShowCursor(BOOL show) { return ::ShowCursor(show); }

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
    // HWND_BOTTOM is the same special value on both sides.
    return ::SetWindowPos(Real(window), Real(insertAfter), x, y, width, height, flags);
}

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (msg == nullptr) return FALSE;
    win32::MessagePeekPoint();
    ::MSG real = {};
    const ::BOOL found = ::PeekMessageA(&real, Real(window), filterMin, filterMax, removeFlags);
    if (found) {
        ToSeam(real, msg);
        EmptyPeeks = 0;
        return found;
    }
    win32::DisplayPoint(false);
    const ::DWORD now = ::GetTickCount();
    EmptyPeeks = now == LastEmptyPeek ? EmptyPeeks + 1 : 0;
    LastEmptyPeek = now;
    if (EmptyPeeks >= kEmptyPeeksBeforeWait) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kEmptyQueueWaitMs, QS_ALLINPUT);
        EmptyPeeks = 0;
    }
    return found;
}

BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax) {
    if (msg == nullptr) return -1;
    ::MSG real = {};
    const ::BOOL result = ::GetMessageA(&real, Real(window), filterMin, filterMax);
    if (result != -1) ToSeam(real, msg);
    return result;
}

BOOL TranslateMessage(const MSG* msg) {
    if (msg == nullptr) return FALSE;
    const ::MSG real = ToReal(*msg);
    return ::TranslateMessage(&real);
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (msg == nullptr) return 0;
    const ::MSG real = ToReal(*msg);
    return ::DispatchMessageA(&real);
}

void PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(Real(window), message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(Real(window), message, wParam, lParam);
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    // A file the program failed to save is named after the program's text.
    const char* note = win32::TakeUnsavedFileNote();
    if (note[0] == 0 || text == nullptr) return ::MessageBoxA(Real(owner), text, caption, type);
    static char joined[4096];
    ::lstrcpynA(joined, text, sizeof joined - 1100);
    ::lstrcatA(joined, note);
    return ::MessageBoxA(Real(owner), joined, caption, type);
}

DWORD GetTickCount() {
    win32::DisplayPoint(false);  // a close asked for reaches the game's waits
    return win32::PacedTickCount();
}

HICON LoadIconA(HINSTANCE instance, int resource) {
    return ::LoadIconA(reinterpret_cast<::HINSTANCE>(instance), MAKEINTRESOURCEA(resource));
}

HCURSOR LoadCursorA(HINSTANCE instance, int resource) {
    return ::LoadCursorA(reinterpret_cast<::HINSTANCE>(instance), MAKEINTRESOURCEA(resource));
}

HGDIOBJ GetStockObject(int object) { return ::GetStockObject(object); }

int wsprintfA(char* out, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int written = ::wvsprintfA(out, format, arguments);
    va_end(arguments);
    return written;
}

}  // namespace pf
