#include "presenter.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace pf::sdl {
namespace {

// OpenGL's name string; 0x1F01 is GL_RENDERER.
using GlGetString = const unsigned char* (*)(unsigned name);
constexpr unsigned kGlRenderer = 0x1F01;

bool Contains(std::string_view text, std::string_view word) {
    if (word.size() > text.size()) return false;
    for (size_t i = 0; i + word.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < word.size() &&
               std::tolower(static_cast<unsigned char>(text[i + k])) == word[k])
            ++k;
        if (k == word.size()) return true;
    }
    return false;
}

// Rasterisers that draw on the processor behind an OpenGL name.
bool SoftwareRasteriser(std::string_view glRenderer) {
    for (std::string_view name : {"llvmpipe", "softpipe", "swrast", "software rasterizer", "lavapipe"})
        if (Contains(glRenderer, name)) return true;
    return false;
}

}  // namespace

bool Presenter::Open(SDL_Window* window) {
    Close();
    window_ = window;
    if (window_ == nullptr) return false;
    const char* forced = SDL_getenv("VELNORIX_PRESENT");
    const std::string_view want = forced != nullptr ? forced : "";
    if (want == "surface") {
        std::fprintf(stderr, "velnorix: presenting through the window surface (VELNORIX_PRESENT)\n");
        return OpenSurface();
    }
    if (!OpenRenderer(false)) {
        std::fprintf(stderr, "velnorix: no accelerated renderer (%s): presenting through the window surface\n",
                     SDL_GetError());
        return OpenSurface();
    }
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer_, &info);
    const char* glName = nullptr;
    if (info.name != nullptr && std::strncmp(info.name, "opengl", 6) == 0) {
        // The renderer's context is current: ask OpenGL who draws.
        auto getString = reinterpret_cast<GlGetString>(SDL_GL_GetProcAddress("glGetString"));
        if (getString != nullptr) glName = reinterpret_cast<const char*>(getString(kGlRenderer));
    }
    const bool software = (info.flags & SDL_RENDERER_SOFTWARE) != 0 ||
                          (glName != nullptr && SoftwareRasteriser(glName));
    if (!software || want == "renderer") {
        std::fprintf(stderr, "velnorix: presenting through the %s renderer%s%s%s\n",
                     info.name != nullptr ? info.name : "accelerated", glName != nullptr ? " (" : "",
                     glName != nullptr ? glName : "", glName != nullptr ? ")" : "");
        return true;
    }
    std::fprintf(stderr, "velnorix: the %s renderer draws on the processor (%s): presenting through the window surface\n",
                 info.name != nullptr ? info.name : "accelerated", glName != nullptr ? glName : "software");
    Close();
    window_ = window;
    return OpenSurface();
}

void Presenter::Close() {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    texture_ = nullptr;
    renderer_ = nullptr;
    laidOut_ = nullptr;
    surfaceW_ = surfaceH_ = 0;
    path_ = Path::None;
    window_ = nullptr;
}

bool Presenter::OpenRenderer(bool software) {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    renderer_ = SDL_CreateRenderer(window_, -1,
                                   software ? SDL_RENDERER_SOFTWARE
                                            : SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (renderer_ == nullptr) return false;
    // Scaled to the window with the aspect kept; the rest is black.
    SDL_RenderSetLogicalSize(renderer_, kWidth, kHeight);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                 kWidth, kHeight);
    if (texture_ == nullptr) {
        std::fprintf(stderr, "velnorix: cannot create a texture: %s\n", SDL_GetError());
        SDL_DestroyRenderer(renderer_);
        renderer_ = nullptr;
        return false;
    }
    path_ = Path::Renderer;
    return true;
}

bool Presenter::OpenSurface() {
    // The window surface must stay a plain memory image sent to the display:
    // SDL would otherwise back it with a renderer texture.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    path_ = Path::Surface;
    return true;
}

void Presenter::Show(const uint16_t* pixels, const bool* changedRows, bool all) {
    if (path_ == Path::Renderer) ShowRenderer(pixels, changedRows, all);
    if (path_ == Path::Surface) ShowSurface(pixels, changedRows, all);
}

void Presenter::ShowRenderer(const uint16_t* pixels, const bool* changedRows, bool all) {
    int first = 0;
    int last = kHeight - 1;
    if (!all) {
        while (first < kHeight && !changedRows[first]) ++first;
        while (last > first && !changedRows[last]) --last;
        if (first == kHeight) return;
    }
    // Only the band of changed rows travels to the texture.
    const SDL_Rect band{0, first, kWidth, last - first + 1};
    SDL_UpdateTexture(texture_, &band, pixels + static_cast<size_t>(first) * kWidth,
                      kWidth * sizeof(uint16_t));
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

bool Presenter::Layout(SDL_Surface* surface) {
    const int bytes = surface->format->BytesPerPixel;
    if ((bytes != 2 && bytes != 4) || surface->w <= 0 || surface->h <= 0) return false;
    const int w = surface->w;
    const int h = surface->h;
    // The largest 4:3 picture that fits, centred.
    int pw = w;
    int ph = w * kHeight / kWidth;
    if (ph > h) {
        ph = h;
        pw = h * kWidth / kHeight;
    }
    place_ = {(w - pw) / 2, (h - ph) / 2, pw, ph};
    sourceColumn_.resize(static_cast<size_t>(pw));
    for (int x = 0; x < pw; ++x)
        sourceColumn_[static_cast<size_t>(x)] = static_cast<uint16_t>((2 * x + 1) * kWidth / (2 * pw));
    sourceRow_.resize(static_cast<size_t>(ph));
    for (int y = 0; y < ph; ++y)
        sourceRow_[static_cast<size_t>(y)] = static_cast<uint16_t>((2 * y + 1) * kHeight / (2 * ph));

    if (surface->format->format != surfaceFormat_ || (colour32_.empty() && colour16_.empty())) {
        colour32_.clear();
        colour16_.clear();
        if (bytes == 4) colour32_.resize(65536);
        else colour16_.resize(65536);
        for (uint32_t v = 0; v < 65536; ++v) {
            const uint32_t r = v >> 11, g = (v >> 5) & 63, b = v & 31;
            const Uint32 mapped = SDL_MapRGB(surface->format, static_cast<Uint8>((r << 3) | (r >> 2)),
                                             static_cast<Uint8>((g << 2) | (g >> 4)),
                                             static_cast<Uint8>((b << 3) | (b >> 2)));
            if (bytes == 4) colour32_[v] = mapped;
            else colour16_[v] = static_cast<uint16_t>(mapped);
        }
    }
    laidOut_ = surface;
    surfaceW_ = w;
    surfaceH_ = h;
    surfaceFormat_ = surface->format->format;
    return true;
}

void Presenter::ShowSurface(const uint16_t* pixels, const bool* changedRows, bool all) {
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (surface == nullptr) return;
    if (surface != laidOut_ || surface->w != surfaceW_ || surface->h != surfaceH_ ||
        surface->format->format != surfaceFormat_) {
        if (!Layout(surface)) {
            // A pixel format without a table (3 bytes a pixel): SDL's own
            // software renderer draws on this window instead.
            std::fprintf(stderr, "velnorix: window surface format %s: presenting through SDL's software renderer\n",
                         SDL_GetPixelFormatName(surface->format->format));
            SDL_Window* window = window_;
            Close();
            window_ = window;
            if (OpenRenderer(true)) ShowRenderer(pixels, changedRows, true);
            return;
        }
        all = true;
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    if (all) SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));

    const int bytes = surface->format->BytesPerPixel;
    auto* const base = static_cast<uint8_t*>(surface->pixels);
    const size_t rowBytes = static_cast<size_t>(place_.w) * static_cast<size_t>(bytes);
    int rects = 0;
    int runStart = -1;
    const uint8_t* previous = nullptr;  // the target row drawn just before, if any
    int previousSource = -1;
    auto endRun = [&](int y) {
        if (runStart < 0) return;
        if (rects < kMaxRects) {
            rects_[rects++] = {place_.x, place_.y + runStart, place_.w, y - runStart};
        } else {
            SDL_Rect& last = rects_[kMaxRects - 1];
            last.h = place_.y + y - last.y;
        }
        runStart = -1;
    };
    for (int y = 0; y < place_.h; ++y) {
        const int sy = sourceRow_[static_cast<size_t>(y)];
        if (!all && !changedRows[sy]) {
            endRun(y);
            previous = nullptr;
            continue;
        }
        uint8_t* row = base + static_cast<size_t>(place_.y + y) * static_cast<size_t>(surface->pitch) +
                       static_cast<size_t>(place_.x) * static_cast<size_t>(bytes);
        if (previous != nullptr && sy == previousSource) {
            std::memcpy(row, previous, rowBytes);
        } else {
            const uint16_t* source = pixels + static_cast<size_t>(sy) * kWidth;
            const uint16_t* column = sourceColumn_.data();
            if (bytes == 4) {
                auto* target = reinterpret_cast<uint32_t*>(row);
                const uint32_t* colour = colour32_.data();
                for (int x = 0; x < place_.w; ++x) target[x] = colour[source[column[x]]];
            } else {
                auto* target = reinterpret_cast<uint16_t*>(row);
                const uint16_t* colour = colour16_.data();
                for (int x = 0; x < place_.w; ++x) target[x] = colour[source[column[x]]];
            }
        }
        previous = row;
        previousSource = sy;
        if (runStart < 0) runStart = y;
    }
    endRun(place_.h);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    if (all) SDL_UpdateWindowSurface(window_);
    else if (rects > 0) SDL_UpdateWindowSurfaceRects(window_, rects_, rects);
}

}  // namespace pf::sdl
