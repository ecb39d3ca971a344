// The real desktop under the core: one SDL window shown full-screen (scaled
// to the desktop, aspect kept) or as a window (Alt+Enter switches), the
// keyboard and mouse state, focus and close requests, message boxes and the
// sound output.
//
// The game waits in busy loops on the tick count and on keyboard polls. The
// backend keeps those loops and gives the processor back inside them: a tick
// read that finds the same millisecond for the third time running sleeps a
// millisecond first. A flip completes at the display's refresh: with vsync
// the presentation waits for it; without (a virtual X server) a timer of one
// refresh period holds the flip status at "still drawing". A flipped picture
// equal to the one on screen is not drawn again, so still screens cost next
// to nothing.
//
// The game reads the keyboard as snapshots, once a frame at most: a key let
// go before any poll has seen it down stays down until one poll has.
#include "sdl_backend.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "audio_output.h"
#include "backend.h"
#include "keymap.h"
#include "pf/window.h"

namespace pf::sdl {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
// Reads of one millisecond allowed before a read sleeps.
constexpr int kReadsBeforeSleep = 2;

using Clock = std::chrono::steady_clock;

// Milliseconds since the machine started, as the tick count is: a run's
// first reading differs from the last run's, so seeds drawn from it do too.
DWORD NowMs() {
    return static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
            .count());
}

class SdlBackend final : public core::Backend {
public:
    ~SdlBackend() override { Stop(); }

    void Stop() {
        audio_.Close();
        if (texture_ != nullptr) SDL_DestroyTexture(texture_);
        if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
        if (window_ != nullptr) SDL_DestroyWindow(window_);
        texture_ = nullptr;
        renderer_ = nullptr;
        window_ = nullptr;
    }

    DWORD Ticks(core::TickReason reason) override {
        // A keyboard poll reads the state right after this call: the keys
        // pressed so far are seen.
        if (reason == core::TickReason::KeyboardPoll) {
            for (bool& pressed : pressedSincePoll_) pressed = false;
        }
        DWORD now = NowMs();
        if (now == lastTick_) {
            if (++sameTickReads_ >= kReadsBeforeSleep) {
                SDL_Delay(1);
                now = NowMs();
                sameTickReads_ = 0;
            }
        } else {
            sameTickReads_ = 0;
        }
        lastTick_ = now;
        return now;
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
        // it is made now, before the window is placed and shown.
        EnsureRenderer();
    }

    void WindowShown(HWND /*window*/, bool visible) override {
        if (window_ == nullptr) return;
        if (visible) {
            stale_ = true;
            SDL_ShowWindow(window_);
            SDL_RaiseWindow(window_);
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
        return EnsureRenderer();
    }

    void Present(const uint16_t* pixels, int pitchPixels) override {
        lastPresent_ = Clock::now();
        if (pixels == nullptr || pitchPixels < kWidth || !EnsureRenderer()) return;
        // A picture the screen already shows is not drawn again: still
        // screens (the menu, a paused game) then cost next to nothing.
        bool same = !stale_;
        for (int y = 0; y < kHeight; ++y) {
            const uint16_t* row = pixels + static_cast<size_t>(y) * pitchPixels;
            uint16_t* kept = shown_.data() + static_cast<size_t>(y) * kWidth;
            if (same && std::memcmp(row, kept, kWidth * sizeof(uint16_t)) == 0) continue;
            same = false;
            std::memcpy(kept, row, kWidth * sizeof(uint16_t));
        }
        if (same) return;
        stale_ = false;
        Redraw();
    }

    bool FlipDone() override {
        const auto due = lastPresent_ + refreshPeriod_;
        const auto now = Clock::now();
        if (now >= due) return true;
        // Sleep through most of the wait; the caller asks again.
        const auto left = due - now;
        SDL_Delay(left > std::chrono::milliseconds(1) ? 1 : 0);
        return false;
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
        }
        return IDOK;
    }

    bool OpenAudio(int rate) override { return audio_.Open(rate); }
    void CloseAudio() override { audio_.Close(); }

private:
    bool EnsureRenderer() {
        if (texture_ != nullptr) return true;
        if (window_ == nullptr) return false;
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
        renderer_ = SDL_CreateRenderer(window_, -1,
                                       SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
        if (renderer_ == nullptr)
            renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        if (renderer_ == nullptr) {
            std::fprintf(stderr, "velnorix: cannot create a renderer: %s\n", SDL_GetError());
            return false;
        }
        // Scaled to the window with the aspect kept; the rest is black.
        SDL_RenderSetLogicalSize(renderer_, kWidth, kHeight);
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB565,
                                     SDL_TEXTUREACCESS_STREAMING, kWidth, kHeight);
        if (texture_ == nullptr) {
            std::fprintf(stderr, "velnorix: cannot create a texture: %s\n", SDL_GetError());
            return false;
        }
        SDL_DisplayMode mode{};
        const int display = SDL_GetWindowDisplayIndex(window_);
        int hz = 60;
        if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 &&
            mode.refresh_rate > 0)
            hz = mode.refresh_rate;
        refreshPeriod_ = std::chrono::nanoseconds(1'000'000'000LL / hz);
        return true;
    }

    // Shows the kept picture, scaled to the window with the aspect kept.
    void Redraw() {
        SDL_UpdateTexture(texture_, nullptr, shown_.data(), kWidth * sizeof(uint16_t));
        SDL_RenderClear(renderer_);
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
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
        if (down) {
            pressedSincePoll_[dik] = true;
            releaseDue_[dik] = false;
        } else if (pressedSincePoll_[dik]) {
            // A tap shorter than the game's poll interval: the key stays
            // down until one poll has seen it.
            releaseDue_[dik] = true;
            tapsPending_ = true;
            return;
        }
        held_[dik] = down;
        core::SetKey(dik, down);
    }

    void ReleaseSeenTaps() {
        if (!tapsPending_) return;
        tapsPending_ = false;
        for (int dik = 0; dik < 256; ++dik) {
            if (releaseDue_[dik] && pressedSincePoll_[dik]) tapsPending_ = true;
            if (releaseDue_[dik] && !pressedSincePoll_[dik]) {
                releaseDue_[dik] = false;
                held_[dik] = false;
                core::SetKey(static_cast<uint8_t>(dik), false);
            }
        }
    }

    void ReleaseAllKeys() {
        for (int dik = 0; dik < 256; ++dik) {
            pressedSincePoll_[dik] = false;
            releaseDue_[dik] = false;
            if (held_[dik]) {
                held_[dik] = false;
                core::SetKey(static_cast<uint8_t>(dik), false);
            }
        }
        swallowed_[SDL_SCANCODE_RETURN] = false;
        swallowed_[SDL_SCANCODE_KP_ENTER] = false;
    }

    void Handle(const SDL_Event& event) {
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
                        if (texture_ != nullptr) Redraw();
                        break;
                    default: break;
                }
                break;
            default: break;
        }
    }

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    bool fullscreen_ = false;
    AudioOutput audio_;

    DWORD lastTick_ = 0;
    int sameTickReads_ = 0;
    DWORD lastPump_ = 0;
    Clock::time_point lastPresent_{};
    Clock::duration refreshPeriod_ = std::chrono::nanoseconds(1'000'000'000LL / 60);

    std::vector<uint16_t> shown_ = std::vector<uint16_t>(static_cast<size_t>(kWidth) * kHeight);
    bool stale_ = true;  // the window shows something else than shown_

    bool held_[256] = {};              // down in the core's state
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
    static SdlBackend backend;
    installed = &backend;
    core::InstallBackend(&backend);
    return true;
}

void StopBackend() {
    if (installed == nullptr) return;
    installed->Stop();
    SDL_Quit();
}

}  // namespace pf::sdl
