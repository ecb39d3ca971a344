// How the game's 800x600 5-6-5 picture reaches the window.
//
// Two paths. The renderer path streams the picture into a texture of SDL's
// accelerated renderer, which scales it smoothly on a graphics card. Where
// that renderer is only a software rasteriser (Mesa's llvmpipe or softpipe:
// virtual machines, remote desktops, a virtual X server) it is the most
// expensive way to show a picture, so the surface path is taken instead: the
// changed rows are converted and scaled (nearest pixel) straight into the
// window's own surface, and only those rows are sent to the display.
//
// The choice follows what the renderer reports; VELNORIX_PRESENT=renderer or
// VELNORIX_PRESENT=surface forces either path.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

#include "picture.h"

namespace pf::sdl {

class Presenter {
public:
    enum class Path { None, Renderer, Surface };

    static constexpr int kWidth = core::kPictureWidth;
    static constexpr int kHeight = core::kPictureHeight;

    ~Presenter() { Close(); }

    // Chooses and prepares the path for the window (before it is shown: the
    // renderer may recreate the window for its graphics library). False when
    // no path works.
    bool Open(SDL_Window* window);
    void Close();
    Path path() const { return path_; }

    // Shows the picture (kWidth x kHeight, pitch kWidth). changedRows marks
    // the rows that differ from what the window shows; all == true redraws
    // everything (the window lost its contents or changed size).
    void Show(const uint16_t* pixels, const bool* changedRows, bool all);

private:
    bool OpenRenderer(bool software);
    bool OpenSurface();
    void ShowRenderer(const uint16_t* pixels, const bool* changedRows, bool all);
    void ShowSurface(const uint16_t* pixels, const bool* changedRows, bool all);
    // Scale tables and colour table for a new window surface.
    bool Layout(SDL_Surface* surface);

    SDL_Window* window_ = nullptr;
    Path path_ = Path::None;

    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;

    // Surface path: the surface the tables were made for, the picture's
    // place on it, source column of each target column and source row of
    // each target row, and the 5-6-5 value of every colour in its format.
    SDL_Surface* laidOut_ = nullptr;
    int surfaceW_ = 0;
    int surfaceH_ = 0;
    Uint32 surfaceFormat_ = 0;
    SDL_Rect place_{};
    std::vector<uint16_t> sourceColumn_;
    std::vector<uint16_t> sourceRow_;
    std::vector<uint32_t> colour32_;
    std::vector<uint16_t> colour16_;
    static constexpr int kMaxRects = 32;
    SDL_Rect rects_[kMaxRects] = {};
};

}  // namespace pf::sdl
