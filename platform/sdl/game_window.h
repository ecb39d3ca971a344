// The game's one window: shown full-screen (scaled to the desktop, aspect
// kept) or as a window (Alt+Enter switches), and the pictures flipped into
// it. A flipped picture equal to the one on screen is not drawn again, and
// of a changed one only the changed rows travel (presenter.h chooses how).
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

#include "presenter.h"

namespace pf::sdl {

class GameWindow {
public:
    static constexpr int kWidth = Presenter::kWidth;
    static constexpr int kHeight = Presenter::kHeight;

    ~GameWindow() { Close(); }

    // Creates the hidden window with its presentation and icon; false (after
    // a message on standard error) when there is no window.
    bool Create(const char* title, int width, int height);
    void Close();
    bool exists() const { return window_ != nullptr; }
    SDL_Window* handle() const { return window_; }

    void Show(bool visible);
    // The game's display mode: the window full-screen; false when the mode
    // is not the game's or no picture can be shown.
    bool SetDisplayMode(int width, int height, int bpp);
    // Draws the rows of a flipped picture that the window does not show yet.
    void Present(const uint16_t* pixels, int pitchPixels);
    // The desktop lost what was shown: shows it again now, as the next flip
    // may bring the same picture.
    void Redraw();
    // Alt+Enter: full-screen to window and back.
    void ToggleFullscreen();

    // A full-screen window would cover a message box: hidden while the box
    // shows (true when it was hidden), brought back afterwards.
    bool HideForMessageBox();
    void ShowAfterMessageBox();

private:
    void SetIcon();
    void TakeFocus();
    bool EnterFullscreen();

    SDL_Window* window_ = nullptr;
    Presenter presenter_;
    bool fullscreen_ = false;
    std::vector<uint16_t> shown_ = std::vector<uint16_t>(static_cast<size_t>(kWidth) * kHeight);
    bool changed_[kHeight] = {};
    bool stale_ = true;  // the window shows something else than shown_
};

}  // namespace pf::sdl
