// Drawing for the content builder: a floating-point canvas with alpha,
// anti-aliased shapes from signed distances, gradients, and text through
// FreeType. Everything is deterministic: no clock, a fixed-seed noise.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/content/image.h"

namespace vxc {

struct Col {
    float r = 0, g = 0, b = 0;
};
Col Hex(uint32_t rgb);  // 0xRRGGBB
bool ParseHexColour(const std::string& s, Col& out);  // "rrggbb" or "#rrggbb"
Col Mix(Col a, Col b, float t);
Col Scale(Col c, float k);
Col Lighten(Col c, float k);  // toward white by k (0..1)

struct Vec {
    float x = 0, y = 0;
};

// Signed distances (negative inside), in pixels.
float SdCircle(Vec p, Vec c, float r);
float SdBox(Vec p, Vec c, Vec half, float radius);  // rounded box, centre c
float SdSegment(Vec p, Vec a, Vec b, float thickness);  // capsule around a-b
float SdPolygon(Vec p, const std::vector<Vec>& poly);

using Shape = std::function<float(Vec)>;
using Paint = std::function<Col(Vec)>;

class Canvas {
public:
    Canvas(int w, int h);
    int w() const { return w_; }
    int h() const { return h_; }
    // Paints the shape over the canvas with anti-aliased edges; opacity scales it.
    void Fill(const Shape& shape, const Paint& paint, float opacity = 1.0f);
    void Fill(const Shape& shape, Col c, float opacity = 1.0f);
    // Paints through a coverage mask (0..1 per pixel) placed at (ox, oy).
    void FillMask(const std::vector<float>& mask, int mw, int mh, int ox, int oy, const Paint& paint, float opacity = 1.0f);
    // Composites onto black and returns the picture; anything darker than
    // the transparency threshold (or nearly transparent) becomes exactly 0.
    Image Flatten(float minAlpha = 0.12f) const;
    // Composites onto a solid colour instead of black where alpha < 1
    // (for pictures drawn keyed over a known background).
    Image FlattenOnto(Col bg, float minAlpha = 0.35f) const;
    float Alpha(int x, int y) const { return a_[size_t(y) * w_ + x]; }
    Col Colour(int x, int y) const { return c_[size_t(y) * w_ + x]; }

private:
    void Blend(int x, int y, Col c, float a);
    int w_, h_;
    std::vector<Col> c_;
    std::vector<float> a_;
};

// Smooth value noise in 0..1, fixed seed.
float Noise(float x, float y, uint32_t seed = 1);

// A FreeType face; text is rendered as coverage masks.
class Font {
public:
    static std::unique_ptr<Font> Open(const std::string& path, std::string& error);
    ~Font();
    struct Mask {
        int w = 0, h = 0;
        int baseline = 0;  // row of the baseline inside the mask
        std::vector<float> cov;
    };
    // Renders text at the pixel size; xscale squeezes horizontally; tracking
    // adds pixels between letters. The mask has pad pixels of margin.
    Mask Render(const std::string& utf8, int pixelSize, float xscale = 1.0f, float tracking = 0.0f, int pad = 0) const;
    // Ink extent (left edge, width) of a single code point at the size.
    bool Glyph(uint32_t codepoint, int pixelSize, float xscale, Mask& out, int& left, int& top) const;

private:
    Font() = default;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Grows a mask by radius pixels (round brush), for outlines and glows.
std::vector<float> Dilate(const std::vector<float>& m, int w, int h, float radius);
// Box blur of a mask, for soft shadows.
std::vector<float> Blur(const std::vector<float>& m, int w, int h, int radius);

// Finds DejaVu Sans Bold (or the named DejaVu file) through fontconfig's
// fc-match or the Debian paths; empty when missing.
std::string FindDejaVu(const std::string& file);

}  // namespace vxc
