#include "tools/content/raster.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/stat.h>

namespace vxc {

Col Hex(uint32_t v) { return {float((v >> 16) & 255), float((v >> 8) & 255), float(v & 255)}; }

bool ParseHexColour(const std::string& s0, Col& out) {
    std::string s = (!s0.empty() && s0[0] == '#') ? s0.substr(1) : s0;
    if (s.size() != 6) return false;
    uint32_t v = 0;
    for (char ch : s) {
        int d;
        if (ch >= '0' && ch <= '9') d = ch - '0';
        else if (ch >= 'a' && ch <= 'f') d = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F') d = ch - 'A' + 10;
        else return false;
        v = v * 16 + uint32_t(d);
    }
    out = Hex(v);
    return true;
}

Col Mix(Col a, Col b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Col Scale(Col c, float k) { return {c.r * k, c.g * k, c.b * k}; }
Col Lighten(Col c, float k) { return Mix(c, {255, 255, 255}, k); }

static float Len(Vec v) { return std::sqrt(v.x * v.x + v.y * v.y); }

float SdCircle(Vec p, Vec c, float r) { return Len({p.x - c.x, p.y - c.y}) - r; }

float SdBox(Vec p, Vec c, Vec half, float radius) {
    float qx = std::fabs(p.x - c.x) - half.x + radius;
    float qy = std::fabs(p.y - c.y) - half.y + radius;
    float out = Len({std::max(qx, 0.0f), std::max(qy, 0.0f)});
    return out + std::min(std::max(qx, qy), 0.0f) - radius;
}

float SdSegment(Vec p, Vec a, Vec b, float th) {
    Vec pa{p.x - a.x, p.y - a.y}, ba{b.x - a.x, b.y - a.y};
    float d = ba.x * ba.x + ba.y * ba.y;
    float h = d > 0 ? std::clamp((pa.x * ba.x + pa.y * ba.y) / d, 0.0f, 1.0f) : 0.0f;
    return Len({pa.x - ba.x * h, pa.y - ba.y * h}) - th * 0.5f;
}

float SdPolygon(Vec p, const std::vector<Vec>& v) {
    size_t n = v.size();
    if (n < 3) return 1e9f;
    float d = (p.x - v[0].x) * (p.x - v[0].x) + (p.y - v[0].y) * (p.y - v[0].y);
    float s = 1.0f;
    for (size_t i = 0, j = n - 1; i < n; j = i, ++i) {
        Vec e{v[j].x - v[i].x, v[j].y - v[i].y};
        Vec w{p.x - v[i].x, p.y - v[i].y};
        float ee = e.x * e.x + e.y * e.y;
        float t = ee > 0 ? std::clamp((w.x * e.x + w.y * e.y) / ee, 0.0f, 1.0f) : 0.0f;
        Vec b{w.x - e.x * t, w.y - e.y * t};
        d = std::min(d, b.x * b.x + b.y * b.y);
        bool c1 = p.y >= v[i].y, c2 = p.y < v[j].y, c3 = e.x * w.y > e.y * w.x;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
    }
    return s * std::sqrt(d);
}

Canvas::Canvas(int w, int h) : w_(w), h_(h), c_(size_t(w) * h), a_(size_t(w) * h, 0.0f) {}

void Canvas::Blend(int x, int y, Col c, float a) {
    if (a <= 0) return;
    size_t i = size_t(y) * w_ + x;
    float da = a_[i];
    float oa = a + da * (1 - a);
    if (oa <= 0) return;
    Col& d = c_[i];
    d.r = (c.r * a + d.r * da * (1 - a)) / oa;
    d.g = (c.g * a + d.g * da * (1 - a)) / oa;
    d.b = (c.b * a + d.b * da * (1 - a)) / oa;
    a_[i] = oa;
}

void Canvas::Fill(const Shape& shape, const Paint& paint, float opacity) {
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x) {
            Vec p{x + 0.5f, y + 0.5f};
            float cov = std::clamp(0.5f - shape(p), 0.0f, 1.0f);
            if (cov > 0) Blend(x, y, paint(p), cov * opacity);
        }
}

void Canvas::Fill(const Shape& shape, Col c, float opacity) {
    Fill(shape, [c](Vec) { return c; }, opacity);
}

void Canvas::FillMask(const std::vector<float>& m, int mw, int mh, int ox, int oy, const Paint& paint, float opacity) {
    for (int y = 0; y < mh; ++y)
        for (int x = 0; x < mw; ++x) {
            int cx = ox + x, cy = oy + y;
            if (cx < 0 || cy < 0 || cx >= w_ || cy >= h_) continue;
            float cov = m[size_t(y) * mw + x];
            if (cov > 0) Blend(cx, cy, paint({cx + 0.5f, cy + 0.5f}), cov * opacity);
        }
}

static uint8_t Byte(float v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

// The canvas as a picture: each pixel of alpha minAlpha or more shaded by
// shade(colour, alpha, r, g, b), which may leave it out (false); the rest
// stays 0.
template <typename Shade>
static Image FlattenWith(const Canvas& canvas, float minAlpha, Shade shade) {
    Image out(canvas.w(), canvas.h());
    for (int y = 0; y < canvas.h(); ++y)
        for (int x = 0; x < canvas.w(); ++x) {
            const float a = canvas.Alpha(x, y);
            if (a < minAlpha) continue;
            uint8_t r = 0, g = 0, b = 0;
            if (shade(canvas.Colour(x, y), a, r, g, b)) out.set(x, y, r, g, b);
        }
    return out;
}

Image Canvas::Flatten(float minAlpha) const {
    return FlattenWith(*this, minAlpha, [](Col c, float a, uint8_t& r, uint8_t& g, uint8_t& b) {
        r = Byte(c.r * a), g = Byte(c.g * a), b = Byte(c.b * a);
        // Faint dark edge pixels would be visible near-black noise: drop them.
        return std::max({r, g, b}) >= 20;
    });
}

Image Canvas::FlattenOnto(Col bg, float minAlpha) const {
    return FlattenWith(*this, minAlpha, [bg](Col c, float a, uint8_t& r, uint8_t& g, uint8_t& b) {
        const Col mixed = Mix(bg, c, a);
        r = Byte(mixed.r), g = Byte(mixed.g), b = Byte(mixed.b);
        if (r < 8 && g < 4 && b < 8) g = 4;  // stays visible
        return true;
    });
}

static float Hash(int x, int y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return float(h & 0xFFFFFF) / float(0xFFFFFF);
}

float Noise(float x, float y, uint32_t seed) {
    int ix = int(std::floor(x)), iy = int(std::floor(y));
    float fx = x - float(ix), fy = y - float(iy);
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    float a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
    float c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
    return a + (b - a) * fx + (c - a) * fy + (a - b - c + d) * fx * fy;
}

struct Font::Impl {
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
};

std::unique_ptr<Font> Font::Open(const std::string& path, std::string& error) {
    std::unique_ptr<Font> f(new Font);
    f->impl_ = std::make_unique<Impl>();
    if (FT_Init_FreeType(&f->impl_->lib)) { error = "cannot start FreeType"; return nullptr; }
    if (FT_New_Face(f->impl_->lib, path.c_str(), 0, &f->impl_->face)) {
        error = "cannot open font " + path;
        return nullptr;
    }
    return f;
}

Font::~Font() {
    if (impl_) {
        if (impl_->face) FT_Done_Face(impl_->face);
        if (impl_->lib) FT_Done_FreeType(impl_->lib);
    }
}

static std::vector<uint32_t> Decode(const std::string& s) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp;
        int n;
        if (c < 0x80) { cp = c; n = 1; }
        else if ((c >> 5) == 6) { cp = c & 0x1F; n = 2; }
        else if ((c >> 4) == 14) { cp = c & 0x0F; n = 3; }
        else { cp = c & 0x07; n = 4; }
        for (int k = 1; k < n && i + size_t(k) < s.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + size_t(k)]) & 0x3F);
        out.push_back(cp);
        i += size_t(n);
    }
    return out;
}

static void SetSize(FT_Face face, int px, float xscale) {
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(px));
    FT_Matrix m{FT_Fixed(xscale * 65536.0f), 0, 0, 0x10000};
    FT_Set_Transform(face, &m, nullptr);
}

Font::Mask Font::Render(const std::string& text, int px, float xscale, float tracking, int pad) const {
    FT_Face face = impl_->face;
    SetSize(face, px, xscale);
    std::vector<uint32_t> cps = Decode(text);
    // First pass: extent.
    struct G { int x, top, w, h; std::vector<uint8_t> bits; int pitch; };
    std::vector<G> gs;
    float pen = 0;
    int minX = 1 << 30, maxX = -(1 << 30), minY = 1 << 30, maxY = -(1 << 30);
    for (uint32_t cp : cps) {
        if (FT_Load_Char(face, cp, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL)) continue;
        FT_GlyphSlot s = face->glyph;
        G g;
        g.x = int(std::lround(pen)) + s->bitmap_left;
        g.top = -s->bitmap_top;
        g.w = int(s->bitmap.width);
        g.h = int(s->bitmap.rows);
        g.pitch = s->bitmap.pitch;
        g.bits.assign(s->bitmap.buffer, s->bitmap.buffer + size_t(std::abs(g.pitch)) * g.h);
        if (g.w > 0 && g.h > 0) {
            minX = std::min(minX, g.x); maxX = std::max(maxX, g.x + g.w);
            minY = std::min(minY, g.top); maxY = std::max(maxY, g.top + g.h);
        }
        pen += float(s->advance.x) / 64.0f + tracking;
        gs.push_back(std::move(g));
    }
    Mask m;
    if (minX > maxX) return m;
    m.w = maxX - minX + 2 * pad;
    m.h = maxY - minY + 2 * pad;
    m.baseline = -minY + pad;
    m.cov.assign(size_t(m.w) * m.h, 0.0f);
    for (const G& g : gs)
        for (int y = 0; y < g.h; ++y)
            for (int x = 0; x < g.w; ++x) {
                int mx = g.x - minX + pad + x, my = g.top - minY + pad + y;
                float v = g.bits[size_t(y) * size_t(std::abs(g.pitch)) + size_t(x)] / 255.0f;
                float& d = m.cov[size_t(my) * m.w + mx];
                d = std::min(1.0f, d + v);
            }
    return m;
}

bool Font::Glyph(uint32_t cp, int px, float xscale, Mask& out, int& left, int& top) const {
    FT_Face face = impl_->face;
    SetSize(face, px, xscale);
    if (FT_Load_Char(face, cp, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL)) return false;
    FT_GlyphSlot s = face->glyph;
    out.w = int(s->bitmap.width);
    out.h = int(s->bitmap.rows);
    out.baseline = s->bitmap_top;
    out.cov.assign(size_t(out.w) * out.h, 0.0f);
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x)
            out.cov[size_t(y) * out.w + x] = s->bitmap.buffer[size_t(y) * size_t(std::abs(s->bitmap.pitch)) + size_t(x)] / 255.0f;
    left = s->bitmap_left;
    top = s->bitmap_top;
    return true;
}

std::vector<float> Dilate(const std::vector<float>& m, int w, int h, float radius) {
    std::vector<float> out(m.size(), 0.0f);
    int r = int(std::ceil(radius));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float best = 0;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx) {
                    int sx = x + dx, sy = y + dy;
                    if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
                    float d = std::sqrt(float(dx * dx + dy * dy));
                    float k = std::clamp(radius + 0.5f - d, 0.0f, 1.0f);
                    best = std::max(best, m[size_t(sy) * w + sx] * k);
                }
            out[size_t(y) * w + x] = best;
        }
    return out;
}

// One pass of the box blur, along rows (dx 1) or columns (dy 1): the mean of
// 2 * radius + 1 cells, those outside the picture counting as zero.
static void BoxPass(const std::vector<float>& in, std::vector<float>& out, int w, int h,
                    int radius, int dx, int dy) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float s = 0; int n = 0;
            for (int d = -radius; d <= radius; ++d) {
                int sx = x + d * dx, sy = y + d * dy;
                if (sx >= 0 && sx < w && sy >= 0 && sy < h) s += in[size_t(sy) * w + sx];
                ++n;
            }
            out[size_t(y) * w + x] = s / float(n);
        }
}

std::vector<float> Blur(const std::vector<float>& m, int w, int h, int radius) {
    std::vector<float> tmp(m.size()), out(m.size());
    BoxPass(m, tmp, w, h, radius, 1, 0);
    BoxPass(tmp, out, w, h, radius, 0, 1);
    return out;
}

static bool Exists(const std::string& p) {
    struct stat st;
    return !p.empty() && stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string FindDejaVu(const std::string& file) {
    const char* dirs[] = {"/usr/share/fonts/truetype/dejavu/", "/usr/share/fonts/dejavu/", "/usr/share/fonts/TTF/"};
    for (const char* d : dirs)
        if (Exists(std::string(d) + file)) return std::string(d) + file;
    // fontconfig knows where the family was installed elsewhere.
    std::string family = file.find("Mono") != std::string::npos ? "DejaVu Sans Mono" : "DejaVu Sans";
    std::string style = file.find("Bold") != std::string::npos ? ":bold" : "";
    std::string cmd = "fc-match -f '%{file}' '" + family + style + "' 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return {};
    char buf[512] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, p);
    pclose(p);
    std::string got(buf, n);
    if (got.find("DejaVu") != std::string::npos && got.size() >= file.size() &&
        got.compare(got.size() - file.size(), file.size(), file) == 0 && Exists(got))
        return got;
    return {};
}

}  // namespace vxc
