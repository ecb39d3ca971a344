#include "tools/content/blocks.h"

#include <algorithm>
#include <cmath>

namespace vxc {

bool IsBlockStyle(const std::string& n) { return n == "brick" || n == "metal" || n == "steel" || n == "crystal"; }

namespace {

// Shade of a bevelled face: top and left edges lit, bottom and right in shadow.
Col Bevel(Col face, float x, float y, float bw, float bh, float depth, float light, float dark) {
    float dt = y, dl = x, db = bh - 1 - y, dr = bw - 1 - x;
    float tl = std::min(dt, dl), brd = std::min(db, dr);
    if (tl < depth && tl <= brd) {
        float k = dt <= dl ? light : light * 0.7f;
        return Lighten(face, k * (1.0f - 0.35f * tl / depth));
    }
    if (brd < depth) {
        float k = db <= dr ? dark : dark * 0.75f;
        return Scale(face, 1.0f - k * (1.0f - 0.3f * brd / depth));
    }
    return face;
}

void Rivet(Canvas& c, Vec at, float r, Col base) {
    c.Fill([=](Vec p) { return SdCircle(p, {at.x + 0.4f, at.y + 0.6f}, r + 0.3f); }, Scale(base, 0.35f), 0.8f);
    c.Fill([=](Vec p) { return SdCircle(p, at, r); },
           [=](Vec p) {
               float t = std::clamp(((p.x - at.x) + (p.y - at.y)) / (2.5f * r) + 0.5f, 0.0f, 1.0f);
               return Mix(Lighten(base, 0.75f), Scale(base, 0.55f), t);
           });
}

void Bolt(Canvas& c, Vec at, float r, Col base) {
    std::vector<Vec> hex;
    for (int k = 0; k < 6; ++k) {
        float a = 3.14159265f / 6 + float(k) * 3.14159265f / 3;
        hex.push_back({at.x + r * std::cos(a), at.y + r * std::sin(a)});
    }
    c.Fill([=](Vec p) { return SdCircle(p, {at.x + 0.5f, at.y + 0.7f}, r + 0.6f); }, Scale(base, 0.3f), 0.9f);
    c.Fill([hex](Vec p) { return SdPolygon(p, hex); },
           [=](Vec p) {
               float t = std::clamp(((p.x - at.x) + (p.y - at.y)) / (2.2f * r) + 0.5f, 0.0f, 1.0f);
               return Mix(Lighten(base, 0.55f), Scale(base, 0.6f), t);
           });
    c.Fill([=](Vec p) { return SdSegment(p, {at.x - r * 0.5f, at.y}, {at.x + r * 0.5f, at.y}, 0.9f); }, Scale(base, 0.45f), 0.9f);
}

}  // namespace

Image RenderBlock(const std::string& style, Col col, int w, int h, int hits, int frame, int frames) {
    Canvas c(w, h);
    // One pixel of mortar (transparent) on the right and bottom separates blocks.
    const float bw = float(w - 1), bh = float(h - 1);
    auto body = [=](Vec p) { return SdBox(p, {bw / 2, bh / 2}, {bw / 2, bh / 2}, 0.0f); };
    const uint32_t seed = uint32_t(col.r) * 7u + uint32_t(col.g) * 13u + uint32_t(col.b) * 17u + uint32_t(w * 3 + h);

    if (style == "brick") {
        c.Fill(body, [=](Vec p) {
            float x = p.x - 0.5f, y = p.y - 0.5f;
            float t = y / bh;
            Col face = Mix(Lighten(col, 0.22f), Scale(col, 0.72f), t);
            if (t < 0.42f) face = Lighten(face, 0.10f * (1 - t / 0.42f));  // gloss band
            float n = Noise(x * 0.45f, y * 0.45f, seed) - 0.5f;
            face = Scale(face, 1.0f + n * 0.08f);
            return Bevel(face, x, y, bw, bh, 2.0f, 0.55f, 0.5f);
        });
        c.Fill([=](Vec p) { return SdSegment(p, {4, 3.5f}, {bw * 0.45f, 3.5f}, 1.2f); }, {255, 255, 255}, 0.35f);
    } else if (style == "metal") {
        c.Fill(body, [=](Vec p) {
            float x = p.x - 0.5f, y = p.y - 0.5f;
            float t = y / bh;
            Col face = Mix(Lighten(col, 0.35f), Scale(col, 0.62f), t);
            float band = std::fabs(t - 0.45f) < 0.1f ? 0.12f : 0.0f;  // polished stripe
            face = Lighten(face, band);
            float brush = Noise(x * 0.08f, y * 1.7f, seed) - 0.5f;
            face = Scale(face, 1.0f + brush * 0.16f);
            return Bevel(face, x, y, bw, bh, 2.0f, 0.6f, 0.55f);
        });
        float rr = std::max(1.4f, float(h) * 0.085f);
        Rivet(c, {4.5f, 4.5f}, rr, col);
        Rivet(c, {bw - 4.5f, 4.5f}, rr, col);
        Rivet(c, {4.5f, bh - 4.5f}, rr, col);
        Rivet(c, {bw - 4.5f, bh - 4.5f}, rr, col);
        // Strength marks: one notch per hit needed.
        int n = std::clamp(hits, 1, 5);
        float gap = 5.0f, x0 = bw / 2 - gap * float(n - 1) / 2;
        for (int k = 0; k < n; ++k) {
            float x = x0 + gap * float(k);
            c.Fill([=](Vec p) { return SdSegment(p, {x + 0.6f, bh * 0.3f + 0.6f}, {x + 0.6f, bh * 0.7f + 0.6f}, 2.0f); }, {255, 255, 255}, 0.5f);
            c.Fill([=](Vec p) { return SdSegment(p, {x, bh * 0.3f}, {x, bh * 0.7f}, 2.0f); }, Scale(col, 0.35f), 0.95f);
        }
    } else if (style == "steel") {
        c.Fill(body, [=](Vec p) {
            float x = p.x - 0.5f, y = p.y - 0.5f;
            float t = y / bh;
            Col face = Mix(Lighten(col, 0.12f), Scale(col, 0.8f), t);
            // Diagonal tread pattern pressed into the plate.
            float d = std::fmod(x + y + 400.0f, 6.0f);
            if (d < 1.0f) face = Scale(face, 0.82f);
            else if (d < 2.0f) face = Lighten(face, 0.08f);
            float n = Noise(x * 0.3f, y * 0.3f, seed) - 0.5f;
            face = Scale(face, 1.0f + n * 0.1f);
            return Bevel(face, x, y, bw, bh, 3.0f, 0.42f, 0.55f);
        });
        // Recessed centre plate.
        float ih = std::max(2.0f, bh / 2 - 6.0f), iw = std::max(4.0f, bw / 2 - 10.0f);
        c.Fill([=](Vec p) { return SdBox(p, {bw / 2, bh / 2}, {iw, ih}, 1.5f); }, Scale(col, 0.55f), 0.9f);
        c.Fill([=](Vec p) { return SdBox(p, {bw / 2 + 0.5f, bh / 2 + 0.5f}, {iw - 1, ih - 1}, 1.5f); }, Scale(col, 0.95f), 0.9f);
        float rr = std::max(1.6f, float(h) * 0.11f);
        Bolt(c, {4.5f, 4.5f}, rr, col);
        Bolt(c, {bw - 4.5f, 4.5f}, rr, col);
        Bolt(c, {4.5f, bh - 4.5f}, rr, col);
        Bolt(c, {bw - 4.5f, bh - 4.5f}, rr, col);
    } else {  // crystal
        c.Fill(body, [=](Vec p) {
            float x = p.x - 0.5f, y = p.y - 0.5f;
            float t = y / bh;
            Col face = Mix(Scale(col, 0.55f), Scale(col, 0.95f), t);
            // Facets: light triangle on the upper left, dark on the lower right.
            float u = x / bw, v = y / bh;
            if (u + v < 0.7f) face = Lighten(face, 0.28f);
            else if (u + v > 1.45f) face = Scale(face, 0.78f);
            else if (u - v > 0.35f) face = Lighten(face, 0.12f);
            return Bevel(face, x, y, bw, bh, 2.0f, 0.65f, 0.45f);
        });
        // A sparkle that travels along the block from frame to frame.
        float ph = frames > 1 ? float(frame) / float(frames) : 0.25f;
        Vec s{4 + (bw - 8) * ph, 4 + (bh - 8) * (0.3f + 0.4f * std::sin(ph * 6.2832f))};
        float len = std::min(bh * 0.35f, 6.0f);
        c.Fill([=](Vec p) { return SdSegment(p, {s.x - len, s.y}, {s.x + len, s.y}, 1.2f); }, {255, 255, 255}, 0.9f);
        c.Fill([=](Vec p) { return SdSegment(p, {s.x, s.y - len * 0.8f}, {s.x, s.y + len * 0.8f}, 1.2f); }, {255, 255, 255}, 0.9f);
        c.Fill([=](Vec p) { return SdCircle(p, s, 1.6f); }, {255, 255, 255}, 1.0f);
    }
    return c.Flatten(0.5f);
}

}  // namespace vxc
