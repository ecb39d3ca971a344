// Windows, messages, message boxes, the tick count and string formatting.
//
// One window class table and one message queue per program live in the core;
// the backend shows the window (SDL2 for the game, GTK 3 for the installer's
// dialog, nothing on the headless bench) and turns desktop events into
// messages: focus changes are posted as WM_ACTIVATEAPP, a close request is
// sent as WM_CLOSE.
#pragma once

#include "pf/types.h"

namespace pf {

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    const char* lpszMenuName;
    const char* lpszClassName;
    HICON hIconSm;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

// Messages.
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_COMMAND = 0x0111;

// Class styles.
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;

// Window styles.
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000u;
constexpr DWORD WS_EX_TOPMOST = 0x00000008u;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

// Show commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

// PeekMessage.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// SetWindowPos.
inline const HWND HWND_BOTTOM = reinterpret_cast<HWND>(static_cast<uintptr_t>(1));
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_HIDEWINDOW = 0x0080;

// Message boxes.
constexpr UINT MB_OK = 0x00000000u;
constexpr int IDOK = 1;

// Stock objects and resources.
constexpr int BLACK_BRUSH = 4;
constexpr int IDC_ARROW = 32512;
constexpr int COLOR_MENU = 4;

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass);
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     void* param);
BOOL ShowWindow(HWND window, int showCommand);
BOOL UpdateWindow(HWND window);
HWND SetFocus(HWND window);
int ShowCursor(BOOL show);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
void PostQuitMessage(int exitCode);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

DWORD GetTickCount();

HICON LoadIconA(HINSTANCE instance, int resource);
HCURSOR LoadCursorA(HINSTANCE instance, int resource);
HGDIOBJ GetStockObject(int object);

// Formats like the Windows routine of that name: at most 1024 bytes with the
// terminating NUL are written. Returns the number of characters written.
int wsprintfA(char* out, const char* format, ...);

}  // namespace pf

// The program's entry, provided by each program and called by the backend's
// startup code with the instance and the show command. (Not declared where
// the real Windows headers are in scope: they declare their own WinMain.)
#ifndef PF_REAL_WINDOWS_HEADERS
int WinMain(pf::HINSTANCE instance, pf::HINSTANCE previous, char* commandLine, int showCommand);
#endif
