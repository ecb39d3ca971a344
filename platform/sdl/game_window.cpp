// The game's window, full-screen or windowed, and what it shows.
#include "game_window.h"

#include <cstdio>
#include <cstring>

#include "velnorix_icon.h"

namespace pf::sdl {

bool GameWindow::Create(const char* title, int width, int height) {
    if (width <= 0 || height <= 0) {
        width = kWidth;
        height = kHeight;
    }
    window_ = SDL_CreateWindow(title != nullptr ? title : "", SDL_WINDOWPOS_CENTERED,
                               SDL_WINDOWPOS_CENTERED, width, height,
                               SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (window_ == nullptr) {
        std::fprintf(stderr, "velnorix: cannot create the window: %s\n", SDL_GetError());
        return false;
    }
    // The renderer may recreate the window for its graphics library: the
    // presentation is chosen now, before the window is placed and shown, and
    // the icon set on the window that stays.
    if (!presenter_.Open(window_))
        std::fprintf(stderr, "velnorix: cannot present pictures: %s\n", SDL_GetError());
    SetIcon();
    return true;
}

void GameWindow::Close() {
    presenter_.Close();
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    window_ = nullptr;
}

void GameWindow::Show(bool visible) {
    if (window_ == nullptr) return;
    if (visible) {
        stale_ = true;
        SDL_ShowWindow(window_);
        TakeFocus();
    } else {
        SDL_HideWindow(window_);
    }
}

bool GameWindow::SetDisplayMode(int width, int height, int bpp) {
    if (width != kWidth || height != kHeight || bpp != 16 || window_ == nullptr) return false;
    if (!fullscreen_) EnterFullscreen();
    stale_ = true;
    return presenter_.path() != Presenter::Path::None;
}

void GameWindow::Present(const uint16_t* pixels, int pitchPixels) {
    if (pixels == nullptr || pitchPixels < kWidth || presenter_.path() == Presenter::Path::None)
        return;
    // A picture the screen already shows is not drawn again: still screens
    // (the menu, a paused game) then cost next to nothing. Of a changed
    // picture only the changed rows are drawn.
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

void GameWindow::Redraw() {
    if (presenter_.path() != Presenter::Path::None) presenter_.Show(shown_.data(), changed_, true);
}

void GameWindow::ToggleFullscreen() {
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

bool GameWindow::HideForMessageBox() {
    const bool hide = window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN);
    if (hide) SDL_HideWindow(window_);
    return hide;
}

void GameWindow::ShowAfterMessageBox() {
    stale_ = true;
    SDL_ShowWindow(window_);
    TakeFocus();
}

void GameWindow::SetIcon() {
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<unsigned char*>(kIconPixels), kIconSize, kIconSize, 32, kIconSize * 4,
        SDL_PIXELFORMAT_RGBA32);
    if (icon == nullptr) return;
    SDL_SetWindowIcon(window_, icon);
    SDL_FreeSurface(icon);
}

// Raised and given the keyboard. A window manager does this on the raise; a
// bare X server has none, so the focus is also set directly.
void GameWindow::TakeFocus() {
    SDL_RaiseWindow(window_);
    SDL_SetWindowInputFocus(window_);
}

// Full-screen at the desktop's resolution. Without a window manager (a
// virtual X server) nobody resizes the window for full-screen: it is placed
// over the whole display first.
bool GameWindow::EnterFullscreen() {
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

}  // namespace pf::sdl
