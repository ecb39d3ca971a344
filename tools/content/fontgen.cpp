#include "tools/content/fontgen.h"

#include <algorithm>
#include <cmath>

#include "tools/content/glyphs.h"

namespace vxc {

namespace {

// Baseline row inside a cell. The game draws g p q y 6 pixels lower, j 3
// and the comma 5, so their pictures sit that much higher in the cell.
constexpr int kBaseline = 19;

const char* const kChars = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.,-_[]";

struct Paint2 {
    Col top, bottom;
    Col At(float y) const { return Mix(top, bottom, std::clamp((y - 3.0f) / 16.0f, 0.0f, 1.0f)); }
};

void PutCoverage(Image& img, int x, int y, float cov, Col c) {
    if (x < 0 || y < 0 || x >= img.w || y >= img.h) return;
    cov = std::clamp(cov, 0.0f, 1.0f);
    if (cov < 0.16f) return;  // faint edges would turn into near-black specks
    uint8_t r = uint8_t(std::lround(c.r * cov)), g = uint8_t(std::lround(c.g * cov)), b = uint8_t(std::lround(c.b * cov));
    if (std::max({r, g, b}) < 24) return;
    uint8_t* p = img.at(x, y);
    p[0] = std::max(p[0], r); p[1] = std::max(p[1], g); p[2] = std::max(p[2], b);
}

// Wheel symbols drawn as shapes inside their cell (cell-local coordinates).
void DrawSymbol(Image& img, int g, int cx0, int cy0, int w, Col tint) {
    Canvas c(w, kGlyphHeight);
    const float W = float(w);
    if (g == 68) {  // space: an open box
        c.Fill([=](Vec p) { return SdSegment(p, {3, 18}, {W - 3, 18}, 2.2f); }, tint);
        c.Fill([=](Vec p) { return SdSegment(p, {3, 12}, {3, 18}, 2.2f); }, tint);
        c.Fill([=](Vec p) { return SdSegment(p, {W - 3, 12}, {W - 3, 18}, 2.2f); }, tint);
    } else if (g == 69) {  // end: a check mark
        c.Fill([=](Vec p) { return SdSegment(p, {1.3f, 12.5f}, {3.4f, 17.2f}, 2.2f); }, tint);
        c.Fill([=](Vec p) { return SdSegment(p, {3.4f, 17.2f}, {W - 1.2f, 5.5f}, 2.2f); }, tint);
    } else if (g == 70) {  // delete: a backspace key with a cross
        std::vector<Vec> key = {{1.2f, 12.5f}, {6, 6.5f}, {W - 1.2f, 6.5f}, {W - 1.2f, 18.5f}, {6, 18.5f}};
        c.Fill([key](Vec p) { return std::fabs(SdPolygon(p, key)) - 0.9f; }, tint);
        float mx = 10.3f, my = 12.5f, d = 2.6f;
        c.Fill([=](Vec p) { return SdSegment(p, {mx - d, my - d}, {mx + d, my + d}, 1.8f); }, tint);
        c.Fill([=](Vec p) { return SdSegment(p, {mx - d, my + d}, {mx + d, my - d}, 1.8f); }, tint);
    } else {  // 71: a star
        std::vector<Vec> star;
        for (int k = 0; k < 10; ++k) {
            float a = -3.14159265f / 2 + float(k) * 3.14159265f / 5, r = (k % 2 == 0) ? 7.0f : 2.9f;
            star.push_back({W / 2 + r * std::cos(a), 12.5f + r * std::sin(a)});
        }
        c.Fill([star](Vec p) { return SdPolygon(p, star); }, tint);
    }
    for (int y = 0; y < kGlyphHeight; ++y)
        for (int x = 0; x < w; ++x) PutCoverage(img, cx0 + x, cy0 + y, c.Alpha(x, y), tint);
}

}  // namespace

bool RenderFontPicture(const PictureRecipe& s, const Font& face, Image& out, std::string& error) {
    if (s.x != 0) { error = s.file + ": the font picture must start at sheet x 0 (glyph row 2 starts there)"; return false; }
    if (s.w < 535 || s.h < 48) { error = s.file + ": the font picture must be at least 535 x 48"; return false; }
    Paint2 paint;
    paint.top = Hex(0xfffbea);
    paint.bottom = Hex(0xffcf7a);
    std::string v;
    if (!(v = s.Get("top")).empty() && !ParseHexColour(v, paint.top)) { error = s.file + ": top is not a colour"; return false; }
    if (!(v = s.Get("bottom")).empty() && !ParseHexColour(v, paint.bottom)) { error = s.file + ": bottom is not a colour"; return false; }
    int size = std::atoi(s.Get("size", "21").c_str());
    if (size < 8 || size > 30) { error = s.file + ": size must be 8 to 30"; return false; }
    out = Image(s.w, s.h);
    for (int g = 0; g < kGlyphCount; ++g) {
        GlyphRect r = GlyphAt(g, 0, 0);  // picture-local: both rows start at x 0
        if (g >= 68) {
            DrawSymbol(out, g, r.x, r.y, r.w, g == 69 ? Hex(0x9cff9c) : g == 70 ? Hex(0xff9c84) : paint.At(8));
            continue;
        }
        char ch = kChars[g];
        int yoff = 0;
        GlyphOf(ch, yoff);
        Font::Mask m;
        int left = 0, top = 0;
        float xscale = 1.0f;
        // Squeeze wide letters until they fit their fixed cell.
        for (int tries = 0; tries < 40; ++tries) {
            if (!face.Glyph(uint32_t(static_cast<unsigned char>(ch)), size, xscale, m, left, top)) {
                error = s.file + ": the font has no glyph for '" + std::string(1, ch) + "'";
                return false;
            }
            if (m.w <= r.w) break;
            xscale *= 0.96f;
        }
        int ox = r.x + (r.w - m.w) / 2;
        int oy = r.y + (kBaseline - yoff) - top;
        oy = std::clamp(oy, r.y, r.y + kGlyphHeight - m.h);
        for (int y = 0; y < m.h; ++y)
            for (int x = 0; x < m.w; ++x) {
                int px = ox + x, py = oy + y;
                if (px < r.x || px >= r.x + r.w || py < r.y || py >= r.y + kGlyphHeight) continue;
                // The gradient follows where the glyph shows on screen.
                PutCoverage(out, px, py, m.cov[size_t(y) * m.w + x], paint.At(float(py - r.y + yoff)));
            }
    }
    return true;
}

}  // namespace vxc
