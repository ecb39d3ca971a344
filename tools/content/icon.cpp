#include "tools/content/icon.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace vxc {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace

bool ParseIconRecipe(const std::string& text, IconRecipe& out, std::string& error) {
    std::istringstream in(text);
    std::string line;
    int n = 0;
    bool seen[7] = {};
    while (std::getline(in, line)) {
        ++n;
        std::istringstream ls(line.substr(0, line.find('#')));
        std::string key;
        if (!(ls >> key)) continue;
        std::vector<Col> colours;
        std::string word;
        while (ls >> word) {
            Col c;
            if (!ParseHexColour(word, c)) {
                error = "icon.txt line " + std::to_string(n) + ": '" + word + "' is not a colour rrggbb";
                return false;
            }
            colours.push_back(c);
        }
        static const char* const kKeys[] = {"top", "bottom", "rim", "ball", "glow", "ship", "bricks"};
        Col* const targets[] = {&out.top, &out.bottom, &out.rim, &out.ball, &out.glow, &out.ship, nullptr};
        const auto at = std::find_if(std::begin(kKeys), std::end(kKeys), [&](const char* k) { return key == k; });
        if (at == std::end(kKeys)) {
            error = "icon.txt line " + std::to_string(n) + ": unknown key '" + key + "'";
            return false;
        }
        const size_t i = size_t(at - std::begin(kKeys));
        const size_t want = targets[i] != nullptr ? 1 : 6;
        if (colours.size() != want) {
            error = "icon.txt line " + std::to_string(n) + ": " + key + " takes " + std::to_string(want) +
                    (want == 1 ? " colour" : " colours");
            return false;
        }
        if (targets[i] != nullptr) *targets[i] = colours[0];
        else out.bricks = colours;
        seen[i] = true;
    }
    for (size_t i = 0; i < 7; ++i)
        if (!seen[i]) {
            static const char* const kNames[] = {"top", "bottom", "rim", "ball", "glow", "ship", "bricks"};
            error = std::string("icon.txt: no ") + kNames[i] + " line";
            return false;
        }
    return true;
}

IconImage RenderIcon(const IconRecipe& r, int size) {
    // Laid out on a unit square; every length is scaled to the size.
    const float s = float(size);
    auto at = [s](float x, float y) { return Vec{x * s, y * s}; };
    Canvas c(size, size);

    // The tile: rounded square, vertical gradient, a rim lit from above.
    const Vec centre = at(0.5f, 0.5f);
    const Vec half{0.47f * s, 0.47f * s};
    const float corner = 0.17f * s;
    auto tile = [=](Vec p) { return SdBox(p, centre, half, corner); };
    c.Fill(tile, [&](Vec p) { return Mix(r.top, r.bottom, std::clamp(p.y / s, 0.0f, 1.0f)); });
    const float rimWidth = std::max(0.9f, 0.035f * s);
    c.Fill([=](Vec p) { return std::fabs(tile(p) + rimWidth * 0.5f) - rimWidth * 0.5f; },
           [&](Vec p) { return Mix(Lighten(r.rim, 0.35f), Scale(r.rim, 0.45f), std::clamp(p.y / s, 0.0f, 1.0f)); });

    // Two rows of three bricks; the middle one of the lower row is broken.
    const float left = 0.15f, width = 0.70f, gap = 0.035f;
    const float brickW = (width - 2 * gap) / 3, brickH = 0.11f;
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col) {
            if (row == 1 && col == 1) continue;
            const Col colour = r.bricks[size_t(row * 3 + col)];
            const float x = left + col * (brickW + gap), y = 0.17f + row * (brickH + gap);
            const Vec bc = at(x + brickW / 2, y + brickH / 2);
            const Vec bh{brickW / 2 * s, brickH / 2 * s};
            c.Fill([=](Vec p) { return SdBox(p, bc, bh, 0.025f * s); },
                   [=](Vec p) { return Mix(Lighten(colour, 0.3f), Scale(colour, 0.75f), std::clamp((p.y - bc.y + bh.y) / (2 * bh.y), 0.0f, 1.0f)); });
        }

    // The ship at the bottom.
    const Vec shipC = at(0.5f, 0.80f);
    const Vec shipH{0.21f * s, 0.05f * s};
    c.Fill([=](Vec p) { return SdBox(p, shipC, shipH, 0.05f * s); },
           [=](Vec p) { return Mix(Lighten(r.ship, 0.45f), Scale(r.ship, 0.6f), std::clamp((p.y - shipC.y + shipH.y) / (2 * shipH.y), 0.0f, 1.0f)); });

    // The ball on its way up, with a glow and a fading trail from the ship.
    const Vec ball = at(0.63f, 0.53f);
    const float radius = std::max(1.2f, 0.085f * s);
    const Vec from = at(0.50f, 0.72f);
    for (int i = 1; i <= 3; ++i) {
        const float t = float(i) / 4;
        const Vec p{from.x + (ball.x - from.x) * t, from.y + (ball.y - from.y) * t};
        c.Fill([=](Vec q) { return SdCircle(q, p, radius * (0.45f + 0.15f * i)); }, r.glow, 0.18f + 0.12f * i);
    }
    c.Fill([=](Vec p) { return SdCircle(p, ball, radius * 1.9f); }, r.glow, 0.25f);
    c.Fill([=](Vec p) { return SdCircle(p, ball, radius); },
           [=](Vec p) {
               const float d = std::hypot(p.x - (ball.x - radius * 0.35f), p.y - (ball.y - radius * 0.35f)) / (radius * 1.6f);
               return Mix(Lighten(r.ball, 0.6f), Scale(r.ball, 0.7f), std::clamp(d, 0.0f, 1.0f));
           });

    IconImage out;
    out.size = size;
    out.rgba.resize(size_t(size) * size * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const Col col = c.Colour(x, y);
            const float a = c.Alpha(x, y);
            uint8_t* p = &out.rgba[(size_t(y) * size + x) * 4];
            auto byte = [](float v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); };
            p[0] = byte(col.r);
            p[1] = byte(col.g);
            p[2] = byte(col.b);
            p[3] = byte(a * 255);
            if (p[3] == 0) p[0] = p[1] = p[2] = 0;
        }
    return out;
}

bool WritePngRgba(const std::string& path, const IconImage& image, std::string& error) {
    return WritePngPixels(path, image.size, image.size, true, image.rgba.data(), error);
}

std::vector<uint8_t> EncodeIco(const std::vector<IconImage>& images) {
    // Header, one directory entry per image, then the images: a bitmap
    // header of twice the height (colour rows, then mask rows), the colour
    // rows bottom up as blue, green, red, alpha, and the mask rows bottom up
    // at one bit a pixel (set = transparent), each row padded to 4 bytes.
    std::vector<std::vector<uint8_t>> bodies;
    for (const IconImage& im : images) {
        std::vector<uint8_t> b;
        const uint32_t n = uint32_t(im.size);
        const uint32_t maskRow = ((n + 31) / 32) * 4;
        Put32(b, 40);
        Put32(b, n);
        Put32(b, 2 * n);
        Put16(b, 1);
        Put16(b, 32);
        Put32(b, 0);
        Put32(b, n * n * 4 + maskRow * n);
        for (int i = 0; i < 4; ++i) Put32(b, 0);
        for (int y = im.size - 1; y >= 0; --y)
            for (int x = 0; x < im.size; ++x) {
                const uint8_t* p = &im.rgba[(size_t(y) * n + size_t(x)) * 4];
                b.push_back(p[2]);
                b.push_back(p[1]);
                b.push_back(p[0]);
                b.push_back(p[3]);
            }
        for (int y = im.size - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskRow, 0);
            for (int x = 0; x < im.size; ++x)
                if (im.rgba[(size_t(y) * n + size_t(x)) * 4 + 3] < 128) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
            b.insert(b.end(), row.begin(), row.end());
        }
        bodies.push_back(std::move(b));
    }
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, uint32_t(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const int n = images[i].size;
        out.push_back(uint8_t(n >= 256 ? 0 : n));
        out.push_back(uint8_t(n >= 256 ? 0 : n));
        out.push_back(0);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, uint32_t(bodies[i].size()));
        Put32(out, offset);
        offset += uint32_t(bodies[i].size());
    }
    for (const std::vector<uint8_t>& b : bodies) out.insert(out.end(), b.begin(), b.end());
    return out;
}

std::string EncodeIconHeader(const IconImage& image) {
    std::string out =
        "// The game's icon, drawn by vx-icon from assets/content/icon.txt at build time.\n"
        "#pragma once\n\nnamespace pf::sdl {\n\n"
        "constexpr int kIconSize = " + std::to_string(image.size) + ";\n"
        "// Red, green, blue, alpha per pixel, rows top to bottom.\n"
        "constexpr unsigned char kIconPixels[] = {";
    for (size_t i = 0; i < image.rgba.size(); ++i) {
        out += i % 16 == 0 ? "\n    " : " ";
        out += std::to_string(image.rgba[i]) + ",";
    }
    out += "\n};\n\n}  // namespace pf::sdl\n";
    return out;
}

}  // namespace vxc
