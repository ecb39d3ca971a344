// The real desktop under the core: one SDL window shown full-screen (scaled
// to the desktop, aspect kept) or as a window (Alt+Enter switches), the
// keyboard, gamepads and mouse, focus and close requests, message boxes and
// the sound output.
//
// The game waits in busy loops on the tick count and on keyboard polls. The
// backend keeps those loops and gives the processor back inside them:
// - The frame wait reads the tick count until 27 ms have passed since the
//   last read of the previous wait; a read inside such a run of reads sleeps
//   straight to that moment, then, like any run of reads of one millisecond,
//   a millisecond at a time.
// - Polls of the keyboard, or message peeks, that follow one another with
//   nothing else between (pause, suspension, waits for a key's release) nap
//   a few milliseconds each.
// - A flip completes at the display's refresh: a timer of one refresh period
//   holds the flip status at "still drawing", and asking sleeps out the rest.
// None of this changes what the loops see: the tick count is the real one.
//
// A flipped picture equal to the one on screen is not drawn again, and of a
// changed one only the changed rows travel (presenter.h chooses how).
//
// The game reads the keyboard as snapshots, once a frame at most: a key let
// go before any poll has seen it down stays down until one poll has.
#include "sdl_backend.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "audio_output.h"
#include "backend.h"
#include "gamepad.h"
#include "keymap.h"
#include "pf/window.h"
#include "presenter.h"
#include "velnorix_icon.h"

namespace pf::sdl {
namespace {

constexpr int kWidth = Presenter::kWidth;
constexpr int kHeight = Presenter::kHeight;
// Reads of one millisecond allowed before a read sleeps.
constexpr int kReadsBeforeSleep = 2;
// The game's frame period, and the longest run of tick reads still taken
// for a frame wait (longer runs, such as the intro's, predict nothing).
constexpr DWORD kFrameMs = 27;
constexpr DWORD kLongestFrameWaitMs = 40;
// The nap of a poll or peek that follows another one directly.
constexpr auto kNap = std::chrono::milliseconds(8);

using Clock = std::chrono::steady_clock;

// Milliseconds since the machine started, as the tick count is: a run's
// first reading differs from the last run's, so seeds drawn from it do too.
DWORD ToMs(Clock::time_point t) {
    return static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count());
}
DWORD NowMs() { return ToMs(Clock::now()); }
// The moment the tick count reaches ms (the wrap of 2^32 ms is far away).
Clock::time_point AtMs(DWORD ms) {
    const auto now = Clock::now();
    const auto ahead = static_cast<int32_t>(ms - ToMs(now));
    const auto start = std::chrono::time_point_cast<std::chrono::milliseconds>(now);
    return start + std::chrono::milliseconds(ahead);
}

class SdlBackend final : public core::Backend, PadKeyTarget {
public:
    ~SdlBackend() override { Stop(); }

    void Stop() {
        audio_.Close();
        pads_.Stop();
        presenter_.Close();
        if (window_ != nullptr) SDL_DestroyWindow(window_);
        window_ = nullptr;
    }

    void StartPads() { pads_.Start(); }

    DWORD Ticks(core::TickReason reason) override {
        const core::TickReason before = lastReason_;
        lastReason_ = reason;
        const bool again = reason == before && !presented_;
        presented_ = false;
        switch (reason) {
            case core::TickReason::TickRead: return TickRead(again);
            case core::TickReason::KeyboardPoll:
                if (again) Nap();
                // A poll reads the state right after this call: the keys
                // pressed so far are seen.
                for (bool& pressed : pressedSincePoll_) pressed = false;
                return NowMs();
            case core::TickReason::MessagePeek:
                if (again) Nap();
                return NowMs();
            default: return NowMs();
        }
    }

    void PumpEvents() override {
        ReleaseSeenTaps();
        // Once a millisecond is enough, however often the loops ask.
        const DWORD now = NowMs();
        if (now == lastPump_) return;
        lastPump_ = now;
        SDL_Event event;
        while (SDL_PollEvent(&event)) Handle(event);
    }

    void WaitEvents() override {
        SDL_WaitEventTimeout(nullptr, 10);
        lastPump_ = NowMs() - 1;
        PumpEvents();
    }

    void WindowCreated(HWND /*window*/, const char* title, int width, int height) override {
        if (window_ != nullptr) return;
        if (width <= 0 || height <= 0) {
            width = kWidth;
            height = kHeight;
        }
        window_ = SDL_CreateWindow(title != nullptr ? title : "", SDL_WINDOWPOS_CENTERED,
                                   SDL_WINDOWPOS_CENTERED, width, height,
                                   SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
        if (window_ == nullptr) {
            std::fprintf(stderr, "velnorix: cannot create the window: %s\n", SDL_GetError());
            return;
        }
        // The renderer may recreate the window for its graphics library:
        // the presentation is chosen now, before the window is placed and
        // shown, and the icon set on the window that stays.
        if (!presenter_.Open(window_))
            std::fprintf(stderr, "velnorix: cannot present pictures: %s\n", SDL_GetError());
        SetIcon();
        ReadRefreshRate();
    }

    void WindowShown(HWND /*window*/, bool visible) override {
        if (window_ == nullptr) return;
        if (visible) {
            stale_ = true;
            SDL_ShowWindow(window_);
            TakeFocus();
        } else {
            SDL_HideWindow(window_);
        }
    }

    void CursorShown(bool visible) override { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

    bool SetDisplayMode(int width, int height, int bpp) override {
        if (width != kWidth || height != kHeight || bpp != 16) return false;
        if (window_ == nullptr) WindowCreated(nullptr, "", kWidth, kHeight);
        if (window_ == nullptr) return false;
        if (!fullscreen_) EnterFullscreen();
        stale_ = true;
        return presenter_.path() != Presenter::Path::None;
    }

    void Present(const uint16_t* pixels, int pitchPixels) override {
        lastPresent_ = Clock::now();
        presented_ = true;
        if (pixels == nullptr || pitchPixels < kWidth || presenter_.path() == Presenter::Path::None)
            return;
        // A picture the screen already shows is not drawn again: still
        // screens (the menu, a paused game) then cost next to nothing. Of a
        // changed picture only the changed rows are drawn.
        bool any = false;
        for (int y = 0; y < kHeight; ++y) {
            const uint16_t* row = pixels + static_cast<size_t>(y) * pitchPixels;
            uint16_t* kept = shown_.data() + static_cast<size_t>(y) * kWidth;
            changed_[y] = std::memcmp(row, kept, kWidth * sizeof(uint16_t)) != 0;
            if (!changed_[y]) continue;
            any = true;
            std::memcpy(kept, row, kWidth * sizeof(uint16_t));
        }
        if (!any && !stale_) return;
        const bool all = stale_;
        stale_ = false;
        presenter_.Show(shown_.data(), changed_, all);
    }

    bool FlipDone() override {
        // The display takes the picture at its next refresh: sleep until then.
        const auto due = lastPresent_ + refreshPeriod_;
        if (Clock::now() < due) std::this_thread::sleep_until(due);
        return true;
    }

    int MessageBox(const char* text, const char* caption, UINT type) override {
        // A full-screen window would cover the box: hide it while the box
        // shows, and bring it back afterwards.
        const bool hide = window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN);
        if (hide) SDL_HideWindow(window_);
        Uint32 flags = 0;
        switch (type & 0xF0) {
            case 0x10: flags = SDL_MESSAGEBOX_ERROR; break;
            case 0x30: flags = SDL_MESSAGEBOX_WARNING; break;
            case 0x40: flags = SDL_MESSAGEBOX_INFORMATION; break;
            default: break;
        }
        if (SDL_ShowSimpleMessageBox(flags, caption != nullptr ? caption : "",
                                     text != nullptr ? text : "", nullptr) != 0)
            std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "",
                         text != nullptr ? text : "");
        if (hide) {
            stale_ = true;
            SDL_ShowWindow(window_);
            TakeFocus();
        }
        return IDOK;
    }

    bool OpenAudio(int rate) override { return audio_.Open(rate); }
    void CloseAudio() override { audio_.Close(); }

    void PadKey(uint8_t scanCode, bool down) override { SourceKey(kPad, scanCode, down); }

private:
    enum Source { kKeyboard, kPad };

    // A read of the tick count. The first read after other calls starts a
    // run; a frame wait is such a run, and it ends 27 ms after the last read
    // of the run before it, which is the game's frame start. Reads inside a
    // run sleep to that moment at once, and from then on, like any run, one
    // millisecond at a time once a millisecond has been read twice.
    DWORD TickRead(bool again) {
        DWORD now = NowMs();
        if (!again) {
            const bool frameWait = haveRun_ && lastRead_ - runStart_ <= kLongestFrameWaitMs;
            runDue_ = lastRead_ + kFrameMs;
            predicting_ = frameWait;
            runStart_ = now;
            haveRun_ = true;
            sameTickReads_ = 0;
        } else if (predicting_ && static_cast<int32_t>(runDue_ - now) > 0 &&
                   runDue_ - now <= kFrameMs) {
            std::this_thread::sleep_until(AtMs(runDue_));
            now = NowMs();
            predicting_ = false;
        } else if (now == lastRead_ && ++sameTickReads_ >= kReadsBeforeSleep) {
            std::this_thread::sleep_until(AtMs(now + 1));
            now = NowMs();
            sameTickReads_ = 0;
        } else if (now != lastRead_) {
            sameTickReads_ = 0;
        }
        lastRead_ = now;
        return now;
    }

    // A poll or peek right after another: the game is waiting for a key or
    // an activation. The events of the nap are taken before the call goes on.
    void Nap() {
        std::this_thread::sleep_for(kNap);
        lastPump_ = NowMs() - 1;
        PumpEvents();
    }

    void SetIcon() {
        SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
            const_cast<unsigned char*>(kIconPixels), kIconSize, kIconSize, 32, kIconSize * 4,
            SDL_PIXELFORMAT_RGBA32);
        if (icon == nullptr) return;
        SDL_SetWindowIcon(window_, icon);
        SDL_FreeSurface(icon);
    }

    void ReadRefreshRate() {
        SDL_DisplayMode mode{};
        const int display = SDL_GetWindowDisplayIndex(window_);
        int hz = 60;
        if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0)
            hz = mode.refresh_rate;
        refreshPeriod_ = std::chrono::nanoseconds(1'000'000'000LL / hz);
    }

    // Raised and given the keyboard. A window manager does this on the
    // raise; a bare X server has none, so the focus is also set directly.
    void TakeFocus() {
        SDL_RaiseWindow(window_);
        SDL_SetWindowInputFocus(window_);
    }

    // Full-screen at the desktop's resolution. Without a window manager
    // (a virtual X server) nobody resizes the window for full-screen: it is
    // placed over the whole display first.
    bool EnterFullscreen() {
        SDL_Rect bounds{};
        const int display = SDL_GetWindowDisplayIndex(window_);
        if (display >= 0 && SDL_GetDisplayBounds(display, &bounds) == 0) {
            SDL_SetWindowPosition(window_, bounds.x, bounds.y);
            SDL_SetWindowSize(window_, bounds.w, bounds.h);
        }
        if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return false;
        fullscreen_ = true;
        if ((SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) != 0) TakeFocus();
        return true;
    }

    void ToggleFullscreen() {
        if (window_ == nullptr) return;
        if (fullscreen_) {
            if (SDL_SetWindowFullscreen(window_, 0) != 0) return;
            SDL_SetWindowSize(window_, kWidth, kHeight);
            SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
            fullscreen_ = false;
        } else {
            EnterFullscreen();
        }
        stale_ = true;
    }

    void Key(const SDL_KeyboardEvent& key, bool down) {
        const SDL_Scancode code = key.keysym.scancode;
        const bool enter = code == SDL_SCANCODE_RETURN || code == SDL_SCANCODE_KP_ENTER;
        // Alt+Enter belongs to the backend: the game sees neither the down
        // nor the up of that Enter.
        if (enter && down && (key.keysym.mod & KMOD_ALT) != 0) {
            if (!key.repeat) ToggleFullscreen();
            swallowed_[code] = true;
            return;
        }
        if (enter && swallowed_[code]) {
            if (!down) swallowed_[code] = false;
            return;
        }
        if (key.repeat) return;
        const uint8_t dik = DirectInputCode(code);
        if (dik == 0) return;
        SourceKey(kKeyboard, dik, down);
    }

    // A key goes down or up on the keyboard or on a pad; the game's key is
    // down while either holds it.
    void SourceKey(Source source, uint8_t dik, bool down) {
        (source == kKeyboard ? keyboardHeld_ : padHeld_)[dik] = down;
        if (down) {
            pressedSincePoll_[dik] = true;
            releaseDue_[dik] = false;
        } else if (!keyboardHeld_[dik] && !padHeld_[dik] && pressedSincePoll_[dik]) {
            // A tap shorter than the game's poll interval: the key stays
            // down until one poll has seen it.
            releaseDue_[dik] = true;
            tapsPending_ = true;
            return;
        }
        Apply(dik);
    }

    void Apply(int dik) {
        const bool down = keyboardHeld_[dik] || padHeld_[dik];
        if (down == held_[dik]) return;
        held_[dik] = down;
        core::SetKey(static_cast<uint8_t>(dik), down);
    }

    void ReleaseSeenTaps() {
        if (!tapsPending_) return;
        tapsPending_ = false;
        for (int dik = 0; dik < 256; ++dik) {
            if (releaseDue_[dik] && pressedSincePoll_[dik]) tapsPending_ = true;
            if (releaseDue_[dik] && !pressedSincePoll_[dik]) {
                releaseDue_[dik] = false;
                Apply(dik);
            }
        }
    }

    void ReleaseAllKeys() {
        for (int dik = 0; dik < 256; ++dik) {
            pressedSincePoll_[dik] = false;
            releaseDue_[dik] = false;
            keyboardHeld_[dik] = false;
            padHeld_[dik] = false;
            Apply(dik);
        }
        pads_.Forget();
        swallowed_[SDL_SCANCODE_RETURN] = false;
        swallowed_[SDL_SCANCODE_KP_ENTER] = false;
    }

    void Handle(const SDL_Event& event) {
        if (pads_.Handle(event, *this)) return;
        switch (event.type) {
            case SDL_QUIT: core::RequestClose(); break;
            case SDL_KEYDOWN: Key(event.key, true); break;
            case SDL_KEYUP: Key(event.key, false); break;
            case SDL_MOUSEMOTION: core::AddMouseMotion(event.motion.xrel, event.motion.yrel, 0); break;
            case SDL_MOUSEWHEEL: core::AddMouseMotion(0, 0, event.wheel.y * 120); break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                // DirectInput's order: left, right, middle, fourth.
                int button = -1;
                switch (event.button.button) {
                    case SDL_BUTTON_LEFT: button = 0; break;
                    case SDL_BUTTON_RIGHT: button = 1; break;
                    case SDL_BUTTON_MIDDLE: button = 2; break;
                    case SDL_BUTTON_X1: button = 3; break;
                    default: break;
                }
                if (button >= 0) core::SetMouseButton(button, event.type == SDL_MOUSEBUTTONDOWN);
                break;
            }
            case SDL_WINDOWEVENT:
                switch (event.window.event) {
                    case SDL_WINDOWEVENT_FOCUS_LOST:
                        ReleaseAllKeys();
                        core::PostActivation(false);
                        break;
                    case SDL_WINDOWEVENT_FOCUS_GAINED: core::PostActivation(true); break;
                    case SDL_WINDOWEVENT_CLOSE: core::RequestClose(); break;
                    case SDL_WINDOWEVENT_EXPOSED:
                    case SDL_WINDOWEVENT_SIZE_CHANGED:
                    case SDL_WINDOWEVENT_RESTORED:
                        // The desktop lost what was shown: show it again now,
                        // as the next flip may bring the same picture.
                        if (presenter_.path() != Presenter::Path::None)
                            presenter_.Show(shown_.data(), changed_, true);
                        break;
                    default: break;
                }
                break;
            default: break;
        }
    }

    SDL_Window* window_ = nullptr;
    Presenter presenter_;
    Gamepads pads_;
    bool fullscreen_ = false;
    AudioOutput audio_;

    // Waiting: the reason of the last call, whether a picture was presented
    // since, and the runs of tick reads.
    core::TickReason lastReason_ = core::TickReason::Other;
    bool presented_ = false;
    DWORD lastRead_ = 0;
    DWORD runStart_ = 0;
    DWORD runDue_ = 0;
    bool haveRun_ = false;
    bool predicting_ = false;
    int sameTickReads_ = 0;
    DWORD lastPump_ = 0;
    Clock::time_point lastPresent_{};
    Clock::duration refreshPeriod_ = std::chrono::nanoseconds(1'000'000'000LL / 60);

    std::vector<uint16_t> shown_ = std::vector<uint16_t>(static_cast<size_t>(kWidth) * kHeight);
    bool changed_[kHeight] = {};
    bool stale_ = true;  // the window shows something else than shown_

    bool held_[256] = {};              // down in the core's state
    bool keyboardHeld_[256] = {};      // down on the keyboard
    bool padHeld_[256] = {};           // down on a gamepad
    bool pressedSincePoll_[256] = {};  // went down after the last keyboard poll
    bool releaseDue_[256] = {};        // went up, kept down for one poll
    bool tapsPending_ = false;
    bool swallowed_[SDL_NUM_SCANCODES] = {};
};

SdlBackend* installed = nullptr;

}  // namespace

bool StartBackend() {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "velnorix: SDL cannot start: %s\n", SDL_GetError());
        return false;
    }
    // The core refuses the keyboard while the game is inactive; pads follow
    // the same rule there, so SDL need not hold their events back.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    const bool pads = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    if (!pads) std::fprintf(stderr, "velnorix: no gamepads: %s\n", SDL_GetError());
    static SdlBackend backend;
    installed = &backend;
    if (pads) backend.StartPads();
    core::InstallBackend(&backend);
    return true;
}

void StopBackend() {
    if (installed == nullptr) return;
    installed->Stop();
    SDL_Quit();
}

}  // namespace pf::sdl
