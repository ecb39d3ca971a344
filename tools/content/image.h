// A plain 24-bit picture (red, green, blue per pixel, rows top to bottom) and
// PNG input/output for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vxc {

struct Image {
    int w = 0;
    int h = 0;
    std::vector<uint8_t> rgb;  // w * h * 3 bytes

    Image() = default;
    Image(int width, int height) : w(width), h(height), rgb(size_t(width) * height * 3, 0) {}
    uint8_t* at(int x, int y) { return &rgb[(size_t(y) * w + x) * 3]; }
    const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * w + x) * 3]; }
    void set(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* p = at(x, y);
        p[0] = r; p[1] = g; p[2] = b;
    }
    // Copies src with its top-left at (x, y); parts outside are dropped.
    // keyed: pixels that the game treats as transparent are skipped.
    void blit(const Image& src, int x, int y, bool keyed = false);
    Image crop(int x, int y, int cw, int ch) const;
};

// The game keys on colour 0 after the 5-6-5 conversion: every pixel with
// blue < 8, green < 4 and red < 8 is transparent.
inline bool IsTransparent(const uint8_t* rgb) { return rgb[0] < 8 && rgb[1] < 4 && rgb[2] < 8; }
inline uint16_t To565(uint8_t r, uint8_t g, uint8_t b) {
    return uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// PNG files: any colour type is read as 8-bit RGB (alpha below 128 becomes
// black, the transparent colour). Writing is deterministic (no time chunk).
bool ReadPng(const std::string& path, Image& out, std::string& error);
bool WritePng(const std::string& path, const Image& img, std::string& error);
// Writes 8-bit RGB (alpha false) or RGBA (alpha true) rows of width pixels.
bool WritePngPixels(const std::string& path, int width, int height, bool alpha,
                    const uint8_t* pixels, std::string& error);

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out, std::string& error);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& data, std::string& error);

}  // namespace vxc
