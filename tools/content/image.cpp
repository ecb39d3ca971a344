#include "tools/content/image.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace vxc {

void Image::blit(const Image& src, int x, int y, bool keyed) {
    for (int sy = 0; sy < src.h; ++sy) {
        int dy = y + sy;
        if (dy < 0 || dy >= h) continue;
        for (int sx = 0; sx < src.w; ++sx) {
            int dx = x + sx;
            if (dx < 0 || dx >= w) continue;
            const uint8_t* s = src.at(sx, sy);
            if (keyed && IsTransparent(s)) continue;
            std::memcpy(at(dx, dy), s, 3);
        }
    }
}

Image Image::crop(int x, int y, int cw, int ch) const {
    Image out(cw, ch);
    for (int yy = 0; yy < ch; ++yy)
        for (int xx = 0; xx < cw; ++xx)
            if (x + xx >= 0 && x + xx < w && y + yy >= 0 && y + yy < h)
                std::memcpy(out.at(xx, yy), at(x + xx, y + yy), 3);
    return out;
}

namespace {
struct FileCloser {
    void operator()(FILE* f) const { if (f) std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;
}  // namespace

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out, std::string& error) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) { error = "cannot open " + path; return false; }
    out.clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) out.insert(out.end(), buf, buf + n);
    if (std::ferror(f.get())) { error = "cannot read " + path; return false; }
    return true;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& data, std::string& error) {
    FilePtr f(std::fopen(path.c_str(), "wb"));
    if (!f) { error = "cannot create " + path; return false; }
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), f.get()) != data.size()) {
        error = "cannot write " + path;
        return false;
    }
    if (std::fclose(f.release()) != 0) { error = "cannot write " + path; return false; }
    return true;
}

bool ReadPng(const std::string& path, Image& out, std::string& error) {
    png_image pi;
    std::memset(&pi, 0, sizeof pi);
    pi.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&pi, path.c_str())) {
        error = path + ": not a readable PNG file (" + pi.message + ")";
        return false;
    }
    pi.format = PNG_FORMAT_RGBA;
    if (pi.width == 0 || pi.height == 0 || pi.width > 4096 || pi.height > 4096) {
        png_image_free(&pi);
        error = path + ": picture size out of range";
        return false;
    }
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(pi));
    if (!png_image_finish_read(&pi, nullptr, rgba.data(), 0, nullptr)) {
        error = path + ": " + pi.message;
        png_image_free(&pi);
        return false;
    }
    out = Image(int(pi.width), int(pi.height));
    for (size_t i = 0, n = size_t(out.w) * out.h; i < n; ++i) {
        const uint8_t* s = &rgba[i * 4];
        uint8_t* d = &out.rgb[i * 3];
        if (s[3] < 128) {
            d[0] = d[1] = d[2] = 0;
        } else {
            d[0] = s[0]; d[1] = s[1]; d[2] = s[2];
        }
    }
    return true;
}

bool WritePngPixels(const std::string& path, int width, int height, bool alpha,
                    const uint8_t* pixels, std::string& error) {
    png_image pi;
    std::memset(&pi, 0, sizeof pi);
    pi.version = PNG_IMAGE_VERSION;
    pi.width = png_uint_32(width);
    pi.height = png_uint_32(height);
    pi.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&pi, path.c_str(), 0, pixels, 0, nullptr)) {
        error = path + ": cannot write PNG (" + pi.message + ")";
        return false;
    }
    return true;
}

bool WritePng(const std::string& path, const Image& img, std::string& error) {
    if (img.w <= 0 || img.h <= 0) { error = path + ": empty picture"; return false; }
    return WritePngPixels(path, img.w, img.h, false, img.rgb.data(), error);
}

}  // namespace vxc
