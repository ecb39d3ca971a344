// The real desktop under the core: the game's window (game_window.h), the
// keyboard, gamepads and mouse (key_taps.h, gamepad.h), focus and close
// requests, message boxes (message_box.h), the sound output
// (audio_output.h), and the clock, sleeps and refresh under the core's pacing
// of the game's waiting loops (timing.h, core/pacing.h).
// This file turns SDL's events into the core's input and wires the parts to
// the core's backend interface.
#include "sdl_backend.h"

#include <SDL.h>

#include <cstdio>

#include "audio_output.h"
#include "backend.h"
#include "game_window.h"
#include "gamepad.h"
#include "key_taps.h"
#include "keymap.h"
#include "message_box.h"
#include "pacing.h"
#include "timing.h"

namespace pf::sdl {
namespace {

class SdlBackend final : public core::Backend, PadKeyTarget, core::PacingHost {
public:
    ~SdlBackend() override { Stop(); }

    void Stop() {
        audio_.Close();
        pads_.Stop();
        window_.Close();
    }

    void StartPads() { pads_.Start(); }

    DWORD Ticks(core::TickReason reason) override {
        const DWORD now = pacing_.Ticks(reason);
        // A poll reads the state right after this call: the keys pressed so
        // far are seen.
        if (reason == core::TickReason::KeyboardPoll) taps_.PollComing();
        return now;
    }

    void PumpEvents() override {
        taps_.ReleaseSeen();
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
        if (window_.exists()) return;
        if (window_.Create(title, width, height)) refresh_.ReadRate(window_.handle());
    }

    void WindowShown(HWND /*window*/, bool visible) override { window_.Show(visible); }

    void CursorShown(bool visible) override { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

    bool SetDisplayMode(int width, int height, int bpp) override {
        if (width != GameWindow::kWidth || height != GameWindow::kHeight || bpp != 16) return false;
        if (!window_.exists()) WindowCreated(nullptr, "", GameWindow::kWidth, GameWindow::kHeight);
        return window_.SetDisplayMode(width, height, bpp);
    }

    void Present(const uint16_t* pixels, int pitchPixels) override {
        pacing_.Presented();
        window_.Present(pixels, pitchPixels);
    }

    bool FlipDone() override {
        // The display takes the picture at its next refresh: sleep until then.
        pacing_.WaitForRefresh();
        return true;
    }

    int MessageBox(const char* text, const char* caption, UINT type) override {
        return ShowMessageBox(window_, text, caption, type);
    }

    bool OpenAudio(int rate) override { return audio_.Open(rate); }
    void CloseAudio() override { audio_.Close(); }

    void PadKey(uint8_t scanCode, bool down) override { taps_.Set(core::KeyTaps::kPad, scanCode, down); }

    // The pacing's clock, sleeps and refresh.
    DWORD NowMs() override { return sdl::NowMs(); }
    void SleepUntilMs(DWORD due) override { sdl::SleepUntilMs(due); }
    void Presented() override { refresh_.Presented(); }
    void WaitForRefresh() override { refresh_.Wait(); }
    // A poll or peek right after another: the game is waiting for a key or
    // an activation. The events of the nap are taken before the call goes on.
    void Nap() override {
        NapSleep();
        lastPump_ = NowMs() - 1;
        PumpEvents();
    }

private:

    void Key(const SDL_KeyboardEvent& key, bool down) {
        const SDL_Scancode code = key.keysym.scancode;
        const bool enter = code == SDL_SCANCODE_RETURN || code == SDL_SCANCODE_KP_ENTER;
        // Alt+Enter belongs to the backend: the game sees neither the down
        // nor the up of that Enter.
        if (enter && down && (key.keysym.mod & KMOD_ALT) != 0) {
            if (!key.repeat) window_.ToggleFullscreen();
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
        taps_.Set(core::KeyTaps::kKeyboard, dik, down);
    }

    void ReleaseAllKeys() {
        taps_.ReleaseAll();
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
                    case SDL_WINDOWEVENT_RESTORED: window_.Redraw(); break;
                    default: break;
                }
                break;
            default: break;
        }
    }

    GameWindow window_;
    Refresh refresh_;
    core::Pacing pacing_{*this};
    core::KeyTaps taps_;
    Gamepads pads_;
    AudioOutput audio_;
    DWORD lastPump_ = 0;
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
