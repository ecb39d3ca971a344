// Window classes, windows, the thread's message queue, activation and close
// requests, message boxes, the tick count and string formatting.
//
// The first window created is the game window: activation messages are
// posted to it and close requests sent to it. Posted messages wait in one
// queue in order; sent messages call the window procedure at once.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "backend.h"
#include "core_internal.h"
#include "pf/window.h"

namespace pf {

struct WindowObject {
    std::string className;
    std::string title;
    WNDPROC procedure = nullptr;
    DWORD style = 0;
    bool visible = false;
};

namespace {

constexpr ATOM kFirstAtom = 0xC000;
constexpr size_t kFormatLimit = 1024;

struct WindowClass {
    std::string name;
    WNDPROC procedure;
    ATOM atom;
};

struct WindowState {
    std::vector<WindowClass> classes;
    std::unordered_set<WindowObject*> windows;
    HWND gameWindow = nullptr;
    std::deque<MSG> queue;
    bool active = true;
    bool closeRequested = false;
    bool deliveringClose = false;
    int cursorCount = 0;
};
WindowState State;

bool SameClassName(const std::string& a, const char* b) {
    if (a.size() != std::char_traits<char>::length(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool Live(HWND window) { return window != nullptr && State.windows.count(window) != 0; }

bool Matches(const MSG& msg, HWND window, UINT filterMin, UINT filterMax) {
    if (window != nullptr && msg.hwnd != window) return false;
    if (filterMin == 0 && filterMax == 0) return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

// Finds the first queued message that passes the filter.
std::deque<MSG>::iterator FindMessage(HWND window, UINT filterMin, UINT filterMax) {
    return std::find_if(State.queue.begin(), State.queue.end(), [&](const MSG& msg) {
        return Matches(msg, window, filterMin, filterMax);
    });
}

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg = {};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    State.queue.push_back(msg);
}

// A waiting point of the message calls: events, then time.
void MessagePoint() {
    core::PumpPoint();
    core::CurrentBackend().Ticks(core::TickReason::MessagePeek);
}

}  // namespace

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
    int32_t code = 0;
    if (core::FaultDue("RegisterClassExA", &code)) return 0;
    if (windowClass == nullptr || windowClass->cbSize != sizeof(WNDCLASSEXA) ||
        windowClass->lpfnWndProc == nullptr || windowClass->lpszClassName == nullptr ||
        windowClass->lpszClassName[0] == 0)
        return 0;
    for (const WindowClass& existing : State.classes)
        if (SameClassName(existing.name, windowClass->lpszClassName)) return 0;
    const ATOM atom = static_cast<ATOM>(kFirstAtom + State.classes.size());
    State.classes.push_back({windowClass->lpszClassName, windowClass->lpfnWndProc, atom});
    return atom;
}

HWND CreateWindowExA(DWORD /*exStyle*/, const char* className, const char* title, DWORD style,
                     int /*x*/, int /*y*/, int width, int height, HWND /*parent*/, HMENU /*menu*/,
                     HINSTANCE /*instance*/, void* /*param*/) {
    int32_t code = 0;
    if (core::FaultDue("CreateWindowExA", &code)) return nullptr;
    if (className == nullptr) return nullptr;
    const auto found = std::find_if(State.classes.begin(), State.classes.end(),
                                    [&](const WindowClass& c) { return SameClassName(c.name, className); });
    if (found == State.classes.end()) return nullptr;
    auto* window = new WindowObject;
    window->className = found->name;
    window->title = title != nullptr ? title : "";
    window->procedure = found->procedure;
    window->style = style;
    window->visible = (style & WS_VISIBLE) != 0;
    State.windows.insert(window);
    if (State.gameWindow == nullptr) State.gameWindow = window;
    core::CurrentBackend().WindowCreated(window, window->title.c_str(),
                                         width == CW_USEDEFAULT ? 0 : width,
                                         height == CW_USEDEFAULT ? 0 : height);
    return window;
}

BOOL ShowWindow(HWND window, int showCommand) {
    int32_t code = 0;
    if (core::FaultDue("ShowWindow", &code)) return FALSE;
    if (!Live(window)) return FALSE;
    const BOOL wasVisible = window->visible ? TRUE : FALSE;
    window->visible = showCommand != SW_HIDE;
    core::CurrentBackend().WindowShown(window, window->visible);
    return wasVisible;
}

BOOL UpdateWindow(HWND window) {
    int32_t code = 0;
    if (core::FaultDue("UpdateWindow", &code)) return FALSE;
    return Live(window) ? TRUE : FALSE;
}

HWND SetFocus(HWND window) {
    int32_t code = 0;
    if (core::FaultDue("SetFocus", &code)) return nullptr;
    if (!Live(window)) return nullptr;
    return window;  // the previous focus: the program has one window that matters
}

int ShowCursor(BOOL show) {
    State.cursorCount += show ? 1 : -1;
    core::CurrentBackend().CursorShown(State.cursorCount >= 0);
    return State.cursorCount;
}

BOOL SetWindowPos(HWND window, HWND /*insertAfter*/, int /*x*/, int /*y*/, int /*width*/,
                  int /*height*/, UINT flags) {
    int32_t code = 0;
    if (core::FaultDue("SetWindowPos", &code)) return FALSE;
    if (!Live(window)) return FALSE;
    if ((flags & SWP_HIDEWINDOW) != 0 && window->visible) {
        window->visible = false;
        core::CurrentBackend().WindowShown(window, false);
    }
    return TRUE;
}

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    MessagePoint();
    int32_t code = 0;
    if (core::FaultDue("PeekMessageA", &code)) return FALSE;
    if (msg == nullptr) return FALSE;
    const auto found = FindMessage(window, filterMin, filterMax);
    if (found == State.queue.end()) return FALSE;
    *msg = *found;
    if ((removeFlags & PM_REMOVE) != 0) State.queue.erase(found);
    return TRUE;
}

BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax) {
    int32_t code = 0;
    if (core::FaultDue("GetMessageA", &code)) return -1;
    if (msg == nullptr) return -1;
    for (;;) {
        MessagePoint();
        const auto found = FindMessage(window, filterMin, filterMax);
        if (found != State.queue.end()) {
            *msg = *found;
            State.queue.erase(found);
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        core::CurrentBackend().WaitEvents();
    }
}

// No keyboard messages are generated, so there is nothing to translate.
BOOL TranslateMessage(const MSG* /*msg*/) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
    int32_t code = 0;
    if (core::FaultDue("DispatchMessageA", &code)) return 0;
    if (msg == nullptr || !Live(msg->hwnd)) return 0;
    return msg->hwnd->procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) {
    Post(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    int32_t code = 0;
    if (core::FaultDue("SendMessageA", &code)) return 0;
    if (!Live(window)) return 0;
    return window->procedure(window, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND /*window*/, UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return 0;
}

int MessageBoxA(HWND /*owner*/, const char* text, const char* caption, UINT type) {
    int32_t code = 0;
    if (core::FaultDue("MessageBoxA", &code)) return 0;
    return core::CurrentBackend().MessageBox(text != nullptr ? text : "",
                                             caption != nullptr ? caption : "Error", type);
}

DWORD GetTickCount() {
    core::PumpPoint();
    return core::CurrentBackend().Ticks(core::TickReason::TickRead);
}

HICON LoadIconA(HINSTANCE /*instance*/, int resource) {
    return reinterpret_cast<HICON>(static_cast<uintptr_t>(resource));
}

HCURSOR LoadCursorA(HINSTANCE /*instance*/, int resource) {
    return reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(resource));
}

HGDIOBJ GetStockObject(int object) {
    return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(object) + 1);
}

int wsprintfA(char* out, const char* format, ...) {
    if (out == nullptr || format == nullptr) return 0;
    va_list args;
    va_start(args, format);
    const int wanted = std::vsnprintf(out, kFormatLimit, format, args);
    va_end(args);
    if (wanted < 0) {
        out[0] = 0;
        return 0;
    }
    return std::min(wanted, static_cast<int>(kFormatLimit - 1));
}

namespace core {

bool ApplicationActive() { return State.active; }

void PumpPoint() {
    CurrentBackend().PumpEvents();
    if (!State.closeRequested || State.deliveringClose || !Live(State.gameWindow)) return;
    // The window procedure may itself reach pump points; one delivery at a
    // time.
    State.deliveringClose = true;
    SendMessageA(State.gameWindow, WM_CLOSE, 0, 0);
    State.deliveringClose = false;
}

void PostActivation(bool active) {
    if (active == State.active) return;
    State.active = active;
    HWND window = State.gameWindow;
    if (window == nullptr) return;
    // A change that undoes one still queued cancels it: the queue keeps the
    // net change only.
    const auto opposite = std::find_if(State.queue.begin(), State.queue.end(), [&](const MSG& m) {
        return m.hwnd == window && m.message == WM_ACTIVATEAPP && (m.wParam != 0) != active;
    });
    if (opposite != State.queue.end()) {
        State.queue.erase(opposite);
        return;
    }
    Post(window, WM_ACTIVATEAPP, active ? 1 : 0, 0);
}

void RequestClose() { State.closeRequested = true; }

bool CloseRequested() { return State.closeRequested; }

void ResetWindows() {
    for (WindowObject* window : State.windows) delete window;
    State = WindowState{};
}

}  // namespace core
}  // namespace pf
