#include "tools/content/art.h"

#include <algorithm>
#include <cmath>

#include "tools/content/glyphs.h"

namespace vxc {

namespace {

constexpr float kPi = 3.14159265f;

struct TextStyle {
    int size = 20;
    float tracking = 0;
    float xscale = 1;
    Col top{255, 255, 255}, bottom{200, 200, 200};
    Col outline{0, 0, 0};
    float outlineR = 0;
    float shadow = 0;  // offset of a soft drop shadow
    Col glow{0, 0, 0};
    float glowR = 0, glowA = 0;
};

// Draws text with its ink box centred on (cx, cy), shrinking it until it
// fits maxW. Returns the ink box height.
float DrawText(Canvas& c, const Font& f, const std::string& s, float cx, float cy, TextStyle st, float maxW) {
    const int pad = 2 + int(std::ceil(std::max(st.outlineR, st.glowR))) + int(st.shadow) + 2;
    Font::Mask m;
    for (;;) {
        m = f.Render(s, st.size, st.xscale, st.tracking, pad);
        if (m.w - 2 * pad <= maxW || st.size <= 6) break;
        st.size -= 1;
    }
    if (m.w == 0) return 0;
    int ox = int(std::lround(cx - m.w / 2.0f)), oy = int(std::lround(cy - m.h / 2.0f));
    const float inkTop = float(oy + pad), inkH = float(m.h - 2 * pad);
    if (st.glowR > 0) {
        std::vector<float> g = Blur(Dilate(m.cov, m.w, m.h, st.glowR * 0.5f), m.w, m.h, int(st.glowR * 0.6f) + 1);
        c.FillMask(g, m.w, m.h, ox, oy, [&](Vec) { return st.glow; }, st.glowA);
    }
    if (st.shadow > 0) {
        std::vector<float> sh = Blur(Dilate(m.cov, m.w, m.h, st.outlineR), m.w, m.h, 1);
        c.FillMask(sh, m.w, m.h, ox + int(st.shadow), oy + int(st.shadow), [](Vec) { return Col{0, 0, 0}; }, 0.8f);
    }
    if (st.outlineR > 0) {
        std::vector<float> o = Dilate(m.cov, m.w, m.h, st.outlineR);
        c.FillMask(o, m.w, m.h, ox, oy, [&](Vec) { return st.outline; });
    }
    c.FillMask(m.cov, m.w, m.h, ox, oy, [&](Vec p) {
        float t = std::clamp((p.y - inkTop) / std::max(1.0f, inkH), 0.0f, 1.0f);
        return Mix(st.top, st.bottom, t);
    });
    return inkH;
}

Col Param(const PictureRecipe& s, const std::string& key, uint32_t fallback) {
    Col c = Hex(fallback);
    std::string v = s.Get(key);
    if (!v.empty()) ParseHexColour(v, c);
    return c;
}

bool CheckColours(const PictureRecipe& s, std::string& error) {
    for (const auto& [k, v] : s.params) {
        bool colourKey = k == "colour" || k == "accent" || k == "bg" || k == "box" || k == "glow";
        Col c;
        if (colourKey && !ParseHexColour(v, c)) {
            error = s.file + ": parameter " + k + "=" + v + " is not a colour rrggbb";
            return false;
        }
    }
    return true;
}

// Metallic gradient: bright top, dark waist, lighter bottom (chrome look).
Col Chrome(float t, Col tint) {
    Col top = Lighten(tint, 0.85f), mid = Scale(tint, 0.55f), low = Lighten(tint, 0.25f);
    return t < 0.5f ? Mix(top, mid, t / 0.5f) : Mix(mid, low, (t - 0.5f) / 0.5f);
}

void Swoosh(Canvas& c, float cx, float cy, float rx, float ry, Col colour, float thick) {
    // An elliptic arc with a tapering trail and a ball at its head.
    for (int i = 0; i < 60; ++i) {
        float a0 = kPi * (0.15f + 0.7f * float(i) / 60), a1 = kPi * (0.15f + 0.7f * float(i + 1) / 60);
        Vec p0{cx - rx * std::cos(a0), cy + ry * std::sin(a0)}, p1{cx - rx * std::cos(a1), cy + ry * std::sin(a1)};
        float k = float(i) / 60;
        c.Fill([=](Vec p) { return SdSegment(p, p0, p1, thick * (0.25f + 0.75f * k)); }, colour, 0.25f + 0.6f * k);
    }
    float a = kPi * 0.85f;
    Vec head{cx - rx * std::cos(a), cy + ry * std::sin(a)};
    c.Fill([=](Vec p) { return SdCircle(p, head, thick * 1.6f); }, Lighten(colour, 0.5f), 0.35f);
    c.Fill([=](Vec p) { return SdCircle(p, head, thick * 0.95f); },
           [=](Vec p) { return Mix({255, 255, 255}, colour, std::clamp(((p.x - head.x) + (p.y - head.y)) / (thick * 2) + 0.5f, 0.0f, 1.0f)); });
}

Image Emblem(const PictureRecipe& s, const ArtFonts& f) {
    Canvas c(s.w, s.h);
    Col accent = Param(s, "colour", 0x4fb0ff), gold = Param(s, "accent", 0xffc850);
    float cx = s.w / 2.0f, cy = std::min(72.0f, s.h * 0.36f), R = std::min(s.w * 0.4f, 62.0f);
    auto hexagon = [](Vec ctr, float r) {
        std::vector<Vec> v;
        for (int k = 0; k < 6; ++k) v.push_back({ctr.x + r * std::cos(kPi / 6 + float(k) * kPi / 3), ctr.y + r * std::sin(kPi / 6 + float(k) * kPi / 3)});
        return v;
    };
    auto outer = hexagon({cx, cy}, R), inner = hexagon({cx, cy}, R - 7);
    c.Fill([&](Vec p) { return SdPolygon(p, outer); }, [&](Vec p) { return Chrome((p.y - (cy - R)) / (2 * R), {170, 180, 200}); });
    c.Fill([&](Vec p) { return SdPolygon(p, inner); }, [&](Vec p) {
        float t = (p.y - (cy - R)) / (2 * R);
        return Mix(Scale(accent, 0.55f), Scale(accent, 0.18f), t);
    });
    // A lantern flame: a four-pointed spark over crossed rings.
    for (int k = 0; k < 3; ++k) {
        float a = float(k) * kPi / 3;
        c.Fill([=](Vec p) {
            float dx = p.x - cx, dy = p.y - cy;
            float u = dx * std::cos(a) + dy * std::sin(a), v = -dx * std::sin(a) + dy * std::cos(a);
            float e = std::sqrt(u * u / (R * R * 0.42f) + v * v / (R * R * 0.08f)) - 1.0f;
            return std::fabs(e) * R * 0.3f - 0.9f;
        }, Lighten(accent, 0.45f), 0.75f);
    }
    std::vector<Vec> spark;
    for (int k = 0; k < 8; ++k) {
        float a = -kPi / 2 + float(k) * kPi / 4, r = (k % 2 == 0) ? R * 0.55f : R * 0.14f;
        spark.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    c.Fill([&](Vec p) { return SdCircle(p, {cx, cy}, R * 0.32f); }, gold, 0.25f);
    c.Fill([&](Vec p) { return SdPolygon(p, spark); }, [&](Vec p) {
        float t = std::clamp((p.y - (cy - R * 0.55f)) / (R * 1.1f), 0.0f, 1.0f);
        return Mix({255, 250, 220}, gold, t);
    });
    TextStyle t1;
    t1.size = 20; t1.tracking = 0.5f; t1.top = {245, 248, 255}; t1.bottom = Lighten(accent, 0.35f);
    t1.outline = Scale(accent, 0.2f); t1.outlineR = 1.2f;
    float nameY = cy + R + 22;
    DrawText(c, *f.bold, s.Get("name", "HALVENDRAY"), cx, nameY, t1, float(s.w - 6));
    TextStyle t2;
    t2.size = 13; t2.tracking = 4; t2.top = gold; t2.bottom = Scale(gold, 0.8f);
    DrawText(c, *f.bold, s.Get("sub", "WORKS"), cx, nameY + 22, t2, float(s.w - 10));
    return c.Flatten();
}

Image Title(const PictureRecipe& s, const ArtFonts& f, bool small) {
    Canvas c(s.w, s.h);
    Col accent = Param(s, "colour", 0x3aa8ff), glow = Param(s, "glow", 0x1f6cff);
    float titleH = small ? s.h * 0.62f : s.h * 0.55f;
    float cy = small ? s.h * 0.42f : s.h * 0.40f;
    Swoosh(c, s.w / 2.0f, cy + titleH * 0.05f, s.w * 0.46f, titleH * 0.62f, accent, small ? 3.0f : 5.0f);
    TextStyle st;
    st.size = int(titleH * 1.25f);
    st.tracking = small ? 1.0f : 2.0f;
    st.top = {255, 255, 255};
    st.bottom = accent;
    st.outline = {12, 28, 70};
    st.outlineR = small ? 2.0f : 3.0f;
    st.shadow = small ? 2.0f : 3.0f;
    st.glow = glow; st.glowR = small ? 8 : 12; st.glowA = 0.8f;
    // Chrome letters: white top, a dark waist line, tinted bottom.
    DrawText(c, *f.bold, s.Get("text", "VELNORIX"), s.w / 2.0f, cy, st, s.w - (small ? 24.0f : 30.0f));
    std::string tag = s.Get("tagline");
    if (!tag.empty()) {
        TextStyle t2;
        t2.size = small ? 12 : 17; t2.tracking = small ? 3 : 5;
        t2.top = Param(s, "accent", 0xffd070); t2.bottom = Scale(t2.top, 0.8f);
        t2.outline = {20, 14, 0}; t2.outlineR = 1.0f;
        DrawText(c, *f.bold, tag, s.w / 2.0f, s.h * (small ? 0.88f : 0.86f), t2, s.w - 40.0f);
    }
    return c.Flatten();
}

Image Button(const PictureRecipe& s, const ArtFonts& f) {
    Canvas c(s.w, s.h);
    Col col = Param(s, "colour", 0x2f7fd0);
    float W = float(s.w), H = float(s.h), r = H * 0.3f;
    Vec ctr{W / 2, H / 2};
    // Dark rim, chrome frame, coloured glass face with a glossy top half.
    c.Fill([=](Vec p) { return SdBox(p, ctr, {W / 2 - 0.5f, H / 2 - 0.5f}, r); }, [=](Vec p) { return Chrome(p.y / H, {150, 160, 185}); });
    c.Fill([=](Vec p) { return SdBox(p, ctr, {W / 2 - 4.5f, H / 2 - 4.5f}, r - 3); }, [=](Vec p) {
        float t = (p.y - 4) / (H - 8);
        Col face = Mix(Lighten(col, 0.15f), Scale(col, 0.45f), t);
        float n = Noise(p.x * 0.05f, p.y * 0.2f, 7) - 0.5f;
        return Scale(face, 1.0f + 0.06f * n);
    });
    c.Fill([=](Vec p) { return SdBox(p, {W / 2, H * 0.3f}, {W / 2 - 9, H * 0.17f}, r * 0.6f); }, {255, 255, 255}, 0.22f);
    c.Fill([=](Vec p) { return std::fabs(SdBox(p, ctr, {W / 2 - 5.0f, H / 2 - 5.0f}, r - 3)) - 0.6f; }, Lighten(col, 0.5f), 0.5f);
    TextStyle st;
    st.size = int(H * 0.5f); st.tracking = 4;
    st.top = {255, 255, 255}; st.bottom = Lighten(col, 0.6f);
    st.outline = Scale(col, 0.25f); st.outlineR = 1.6f; st.shadow = 2;
    DrawText(c, *f.bold, s.Get("text", "START"), W / 2, H / 2, st, W - 40);
    return c.Flatten();
}

Image Selector(const PictureRecipe& s) {
    Canvas c(s.w, s.h);
    Col col = Param(s, "colour", 0xffc840);
    bool right = s.Get("dir", "right") == "right";
    float W = float(s.w), H = float(s.h);
    auto tri = [&](float inset) {
        std::vector<Vec> v;
        if (right) v = {{2 + inset, 2 + inset * 1.2f}, {W - 2 - inset * 1.6f, H / 2}, {2 + inset, H - 2 - inset * 1.2f}, {W * 0.32f + inset * 0.4f, H / 2}};
        else v = {{W - 2 - inset, 2 + inset * 1.2f}, {2 + inset * 1.6f, H / 2}, {W - 2 - inset, H - 2 - inset * 1.2f}, {W * 0.68f - inset * 0.4f, H / 2}};
        return v;
    };
    auto outer = tri(0), inner = tri(2.2f);
    c.Fill([&](Vec p) { return SdPolygon(p, outer); }, Scale(col, 0.45f));
    c.Fill([&](Vec p) { return SdPolygon(p, inner); }, [&](Vec p) {
        float t = p.y / H;
        return t < 0.5f ? Mix({255, 252, 225}, col, t * 2) : Mix(col, Scale(col, 0.7f), (t - 0.5f) * 2);
    });
    return c.Flatten();
}

Image Version(const PictureRecipe& s, const ArtFonts& f) {
    Canvas c(s.w, s.h);
    Col col = Param(s, "colour", 0x7890b8);
    float W = float(s.w), H = float(s.h);
    c.Fill([=](Vec p) { return SdBox(p, {W / 2, H / 2}, {W / 2 - 8, H / 2 - 12}, 8); }, [=](Vec p) {
        return Mix(Scale(col, 0.45f), Scale(col, 0.2f), p.y / H);
    }, 0.9f);
    c.Fill([=](Vec p) { return std::fabs(SdBox(p, {W / 2, H / 2}, {W / 2 - 8, H / 2 - 12}, 8)) - 0.7f; }, Lighten(col, 0.3f), 0.8f);
    TextStyle st;
    st.size = 20; st.tracking = 1;
    st.top = {240, 245, 255}; st.bottom = Lighten(col, 0.4f);
    DrawText(c, *f.bold, s.Get("text", "v1.00"), W / 2, H / 2, st, W - 30);
    return c.Flatten();
}

// A small craft shared by the ship, its variants and the lives icon.
void DrawCraft(Canvas& c, float x0, float y0, float w, float h, Col accent, bool cannon) {
    float podW = std::min(12.0f, w * 0.2f);
    Vec ctr{x0 + w / 2, y0 + h / 2};
    // Hull.
    c.Fill([=](Vec p) { return SdBox(p, ctr, {w / 2 - 0.5f, h / 2 - 0.5f}, h / 2 - 0.5f); }, [=](Vec p) {
        return Chrome((p.y - y0) / h, {175, 188, 210});
    });
    // End pods (engines).
    for (int side = 0; side < 2; ++side) {
        float px = side == 0 ? x0 + podW / 2 : x0 + w - podW / 2;
        c.Fill([=](Vec p) { return SdBox(p, {px, ctr.y}, {podW / 2 - 0.5f, h / 2 - 0.5f}, h / 2 - 0.5f); }, [=](Vec p) {
            float t = (p.y - y0) / h;
            Col base = cannon ? Col{220, 70, 50} : Col{230, 90, 40};
            return t < 0.45f ? Mix(Lighten(base, 0.6f), base, t / 0.45f) : Mix(base, Scale(base, 0.45f), (t - 0.45f) / 0.55f);
        });
    }
    // Energy band across the middle, and a cockpit dome.
    float bandY = y0 + h * 0.58f;
    c.Fill([=](Vec p) { return SdBox(p, {ctr.x, bandY}, {w / 2 - podW - 1, std::max(1.0f, h * 0.09f)}, 1); }, accent);
    c.Fill([=](Vec p) { return SdBox(p, {ctr.x, bandY}, {w / 2 - podW - 1, std::max(0.5f, h * 0.03f)}, 0.5f); }, Lighten(accent, 0.7f), 0.8f);
    float domeW = std::min(w * 0.16f, 10.0f);
    c.Fill([=](Vec p) { return SdBox(p, {ctr.x, y0 + h * 0.3f}, {domeW, h * 0.2f}, h * 0.2f); }, [=](Vec p) {
        return Mix({230, 250, 255}, Scale(accent, 0.7f), std::clamp((p.y - y0) / (h * 0.5f), 0.0f, 1.0f));
    });
    // Panel seams.
    for (float k : {0.33f, 0.67f}) {
        float sx = x0 + podW + (w - 2 * podW) * k;
        c.Fill([=](Vec p) { return SdSegment(p, {sx, y0 + 2}, {sx, y0 + h - 2}, 0.8f); }, {60, 70, 90}, 0.6f);
    }
}

Image Ship(const PictureRecipe& s) {
    Canvas c(s.w, s.h);
    Col accent = Param(s, "colour", 0x40d0ff);
    std::string style = s.Get("style", "normal");
    float W = float(s.w), H = float(s.h);
    if (style == "cannon") {
        // Two barrels whose muzzles are where the missiles leave: x 6 and x 49, 5 wide.
        float hullTop = 6;
        for (float bx : {6.0f, 49.0f}) {
            c.Fill([=](Vec p) { return SdBox(p, {bx + 2.5f, 6.0f}, {2.5f, 6.0f}, 0.6f); }, {24, 26, 34});
            c.Fill([=](Vec p) { return SdBox(p, {bx + 2.5f, 6.0f}, {1.8f, 5.6f}, 0.6f); }, [=](Vec p) {
                float u = (p.x - bx) / 5;
                return Mix({225, 230, 240}, {70, 76, 96}, std::clamp(std::fabs(u - 0.35f) * 1.6f, 0.0f, 1.0f));
            });
            c.Fill([=](Vec p) { return SdBox(p, {bx + 2.5f, 1.0f}, {2.5f, 1.0f}, 0.3f); }, {255, 210, 90});
        }
        DrawCraft(c, 0, hullTop, W, H - hullTop, Param(s, "colour", 0xff5040), true);
    } else {
        DrawCraft(c, 0, 2, W, H - 2, accent, false);
    }
    return c.Flatten(0.4f);
}

Image Lives(const PictureRecipe& s) {
    Canvas c(s.w, s.h);
    DrawCraft(c, 0, 0, float(s.w), float(s.h), Param(s, "colour", 0x40d0ff), false);
    // Drawn keyed over the panel's lives slot: blend edges onto its colour.
    return c.FlattenOnto(Param(s, "bg", 0x0e1222));
}

Image Capsule(const PictureRecipe& s, const ArtFonts& f) {
    Canvas c(s.w, s.h);
    Col col = Param(s, "colour", 0x3060ff);
    float W = float(s.w), H = float(s.h);
    Vec ctr{W / 2, H / 2};
    auto pill = [=](Vec p) { return SdBox(p, ctr, {W / 2 - 0.5f, H / 2 - 0.5f}, H / 2 - 0.5f); };
    // Cylinder shading: highlight at the upper third, dark at the rims.
    auto cyl = [](Col base, float t) {
        float k = t < 0.3f ? 0.55f * (1 - t / 0.3f) : 0.0f;
        Col lit = Lighten(base, k);
        return Scale(lit, 1.0f - 0.55f * std::pow(std::fabs(t - 0.35f) / 0.65f, 2.0f));
    };
    c.Fill(pill, [=](Vec p) { return cyl({200, 205, 215}, p.y / H); });
    float cap = std::max(4.0f, W * 0.16f);
    c.Fill([=](Vec p) { return SdBox(p, ctr, {W / 2 - cap, H / 2 - 0.5f}, 0.5f); }, [=](Vec p) { return cyl(col, p.y / H); });
    for (float x : {cap, W - cap})
        c.Fill([=](Vec p) { return SdSegment(p, {x, 1.5f}, {x, H - 1.5f}, 1.0f); }, {40, 40, 50}, 0.6f);
    TextStyle st;
    st.size = int(H * 0.78f);
    st.top = {255, 255, 255}; st.bottom = {235, 240, 255};
    st.outline = Scale(col, 0.22f); st.outlineR = 1.3f;
    DrawText(c, *f.bold, s.Get("letter", "?"), W / 2 + 0.5f, H / 2, st, W - 2 * cap - 2);
    return c.Flatten(0.45f);
}

Image Missile(const PictureRecipe& s) {
    Canvas c(s.w, s.h);
    float W = float(s.w), H = float(s.h);
    c.Fill([=](Vec p) { return SdBox(p, {W / 2, H / 2}, {W / 2 - 0.3f, H / 2 - 0.3f}, W / 2 - 0.3f); }, [=](Vec p) {
        float t = p.y / H;
        return t < 0.35f ? Mix({255, 255, 235}, {255, 220, 90}, t / 0.35f) : Mix({255, 200, 60}, {255, 70, 20}, (t - 0.35f) / 0.65f);
    });
    c.Fill([=](Vec p) { return SdSegment(p, {W / 2, 2}, {W / 2, H * 0.6f}, 1.2f); }, {255, 255, 255}, 0.9f);
    return c.Flatten(0.4f);
}

Image Ball(const PictureRecipe& s) {
    Canvas c(s.w, s.h);
    bool fire = s.Get("fire") == "1";
    Col col = Param(s, "colour", fire ? 0xff7020 : 0xd8e4f4);
    float W = float(s.w), H = float(s.h), r = std::min(W, H) / 2 - 0.4f;
    Vec ctr{W / 2, H / 2}, hl{W / 2 - r * 0.35f, H / 2 - r * 0.4f};
    c.Fill([=](Vec p) { return SdCircle(p, ctr, r); }, [=](Vec p) {
        float d = std::sqrt((p.x - hl.x) * (p.x - hl.x) + (p.y - hl.y) * (p.y - hl.y)) / (r * 1.6f);
        d = std::clamp(d, 0.0f, 1.0f);
        if (fire) return d < 0.35f ? Mix({255, 255, 210}, {255, 210, 60}, d / 0.35f) : Mix({255, 200, 50}, Scale(col, 0.75f), (d - 0.35f) / 0.65f);
        return d < 0.25f ? Mix({255, 255, 255}, Lighten(col, 0.3f), d / 0.25f) : Mix(Lighten(col, 0.3f), Scale(col, 0.4f), (d - 0.25f) / 0.75f);
    });
    c.Fill([=](Vec p) { return SdCircle(p, hl, r * 0.22f); }, {255, 255, 255}, fire ? 0.7f : 0.9f);
    return c.Flatten(0.4f);
}

// The side panel at its screen place. Local coordinates; screen x = 550 + x.
Image Panel(const PictureRecipe& s, const ArtFonts& f) {
    Canvas c(s.w, s.h);
    Col col = Param(s, "colour", 0x22305a), accent = Param(s, "accent", 0x48b8ff);
    Col slot = Param(s, "bg", 0x0e1222), box = Param(s, "box", 0x0a0e1c);
    float W = float(s.w), H = float(s.h);
    const float sx = 560 - float(s.x), sy = 350 - float(s.y);  // score box, local
    auto full = [=](Vec p) { return SdBox(p, {W / 2, H / 2}, {W / 2, H / 2}, 0); };
    // Background: deep gradient with a faint hexagon lattice.
    c.Fill(full, [=](Vec p) {
        Col base = Mix(Scale(col, 0.75f), Scale(col, 0.35f), p.y / H);
        float hx = std::fmod(p.x + (int(p.y / 13) % 2) * 11.0f, 22.0f), hy = std::fmod(p.y, 13.0f);
        if (hx < 1.0f || hy < 1.0f) base = Lighten(base, 0.05f);
        float n = Noise(p.x * 0.06f, p.y * 0.06f, 3) - 0.5f;
        return Scale(base, 1.0f + 0.12f * n);
    });
    // Frame: a chrome bar along the play-field edge, thinner bevels elsewhere.
    c.Fill([=](Vec p) { return SdBox(p, {5, H / 2}, {5, H / 2}, 0); }, [=](Vec p) {
        float u = p.x / 10;
        return Chrome(u, {140, 155, 190});
    });
    c.Fill([=](Vec p) { return SdSegment(p, {10.5f, 0}, {10.5f, H}, 1.0f); }, {10, 12, 20});
    for (float yy : {2.0f, H - 2.0f})
        c.Fill([=](Vec p) { return SdBox(p, {W / 2 + 5, yy}, {W / 2 - 5, 2}, 0); }, [=](Vec p) { return Chrome(std::fabs(p.y - yy + 2) / 4, {120, 135, 170}); });
    c.Fill([=](Vec p) { return SdBox(p, {W - 2, H / 2}, {2, H / 2}, 0); }, [=](Vec p) { return Chrome((p.x - W + 4) / 4, {120, 135, 170}); });
    // Bolts in the frame.
    for (float by : {20.0f, 150.0f, 300.0f, 450.0f, 580.0f}) {
        c.Fill([=](Vec p) { return SdCircle(p, {5, by}, 2.6f); }, [=](Vec p) { return Mix({235, 240, 250}, {70, 80, 100}, std::clamp((p.y - by + 2.6f) / 5.2f, 0.0f, 1.0f)); });
    }
    // Engraved plate helper.
    auto plate = [&](float x, float y, float w, float h, float r) {
        c.Fill([=](Vec p) { return SdBox(p, {x + w / 2 + 1, y + h / 2 + 1}, {w / 2, h / 2}, r); }, {0, 0, 0}, 0.5f);
        c.Fill([=](Vec p) { return SdBox(p, {x + w / 2, y + h / 2}, {w / 2, h / 2}, r); }, [=](Vec p) { return Chrome((p.y - y) / h, {95, 110, 150}); });
    };
    TextStyle label;
    label.size = 17; label.tracking = 3;
    label.top = {255, 236, 170}; label.bottom = {240, 180, 70};
    label.outline = {30, 18, 0}; label.outlineR = 1.2f; label.shadow = 1;
    // Title.
    TextStyle title;
    title.size = 34; title.tracking = 1;
    title.top = {255, 255, 255}; title.bottom = accent;
    title.outline = {8, 20, 50}; title.outlineR = 2; title.shadow = 2;
    title.glow = Scale(accent, 0.8f); title.glowR = 6; title.glowA = 0.55f;
    DrawText(c, *f.bold, s.Get("title", "VELNORIX"), W / 2 + 5, 48, title, W - 40);
    TextStyle sub;
    sub.size = 11; sub.tracking = 3; sub.top = Lighten(accent, 0.5f); sub.bottom = accent;
    DrawText(c, *f.bold, s.Get("tagline", "BREAK THROUGH"), W / 2 + 5, 80, sub, W - 40);
    c.Fill([=](Vec p) { return SdSegment(p, {30, 100}, {W - 20, 100}, 1.0f); }, Lighten(accent, 0.2f), 0.5f);
    // Lives: label plate and a plain slot behind the icons (row at y 190).
    plate(sx, 146, 230, 28, 6);
    DrawText(c, *f.bold, "LIVES", sx + 115, 160, label, 200);
    c.Fill([=](Vec p) { return SdBox(p, {sx + 115, 198}, {117, 16}, 4); }, [=](Vec p) { return Chrome((p.y - 182) / 32, {90, 105, 140}); });
    c.Fill([=](Vec p) { return SdBox(p, {sx + 115, 198}, {113, 12}, 3); }, slot);
    // An orbit emblem fills the space between the lives and the score.
    {
        Vec o{W / 2 + 5, 262};
        c.Fill([=](Vec p) { return SdCircle(p, o, 22); }, [=](Vec p) {
            float d = std::clamp(((p.x - o.x) + (p.y - o.y)) / 60 + 0.5f, 0.0f, 1.0f);
            return Mix(Lighten(accent, 0.3f), Scale(col, 0.5f), d);
        }, 0.9f);
        c.Fill([=](Vec p) {
            float dx = (p.x - o.x) / 78, dy = (p.y - o.y) / 16;
            return std::fabs(std::sqrt(dx * dx + dy * dy) - 1.0f) * 16 - 0.9f;
        }, Lighten(accent, 0.4f), 0.8f);
        Vec m{o.x + 62, o.y - 9};
        c.Fill([=](Vec p) { return SdCircle(p, m, 4.5f); }, [=](Vec p) { return Mix({255, 255, 255}, accent, std::clamp((p.x - m.x + p.y - m.y) / 9 + 0.5f, 0.0f, 1.0f)); });
    }
    // Score: label plate and the box; the box's inside stays one plain colour
    // because the game copies it every frame to wipe the digits.
    plate(sx, 306, 230, 28, 6);
    DrawText(c, *f.bold, "SCORE", sx + 115, 320, label, 200);
    c.Fill([=](Vec p) { return SdBox(p, {sx + 115, sy + 12.5f}, {119, 16.5f}, 4); }, [=](Vec p) { return Chrome((p.y - sy + 4) / 33, {110, 125, 165}); });
    c.Fill([=](Vec p) { return SdBox(p, {sx + 115, sy + 12.5f}, {115, 12.5f}, 0); }, box);
    // Controls.
    c.Fill([=](Vec p) { return SdSegment(p, {30, 410}, {W - 20, 410}, 1.0f); }, Lighten(accent, 0.2f), 0.5f);
    TextStyle keys;
    keys.size = 14; keys.top = {255, 255, 255}; keys.bottom = {200, 220, 255};
    TextStyle what = keys;
    what.top = Lighten(accent, 0.4f); what.bottom = accent;
    const char* rows[][2] = {{"\u2190 \u2192", "MOVE"}, {"CTRL", "FIRE"}, {"P", "PAUSE"}, {"S", "PICTURE"}, {"ESC", "MENU"}};
    for (int i = 0; i < 5; ++i) {
        float y = 438 + 26.0f * float(i);
        c.Fill([=](Vec p) { return SdBox(p, {70, y}, {32, 10}, 4); }, [=](Vec p) { return Chrome((p.y - y + 10) / 20, {80, 95, 130}); });
        DrawText(c, *f.bold, rows[i][0], 70, y, keys, 60);
        DrawText(c, *f.bold, rows[i][1], 170, y, what, 120);
    }
    TextStyle studio;
    studio.size = 10; studio.tracking = 2; studio.top = {140, 150, 180}; studio.bottom = {110, 120, 150};
    DrawText(c, *f.regular, s.Get("studio", "HALVENDRAY WORKS"), W / 2 + 5, H - 16, studio, W - 40);
    Image out = c.Flatten(0.0f);
    // The panel is drawn opaque: make its every pixel visible.
    for (size_t i = 0; i < out.rgb.size(); i += 3)
        if (IsTransparent(&out.rgb[i])) out.rgb[i + 1] = 4;
    return out;
}

}  // namespace

bool RenderPicture(const PictureRecipe& s, const ArtFonts& f, Image& out, std::string& error) {
    if (!CheckColours(s, error)) return false;
    const std::string& k = s.kind;
    if (k == "emblem") out = Emblem(s, f);
    else if (k == "title") out = Title(s, f, false);
    else if (k == "logo") out = Title(s, f, true);
    else if (k == "button") out = Button(s, f);
    else if (k == "selector") out = Selector(s);
    else if (k == "version") out = Version(s, f);
    else if (k == "panel") out = Panel(s, f);
    else if (k == "lives") out = Lives(s);
    else if (k == "capsule") out = Capsule(s, f);
    else if (k == "ship") out = Ship(s);
    else if (k == "missile") out = Missile(s);
    else if (k == "ball") out = Ball(s);
    else {
        error = s.file + ": unknown picture kind \"" + k + "\"";
        return false;
    }
    return true;
}

}  // namespace vxc
