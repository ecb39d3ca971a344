// The bench's frame PNGs read back through libpng: every pixel is the 5-6-5
// picture widened by bit replication, whatever mix of flat runs, repeated
// rows, gradients and noise the picture holds.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <vector>

#include "headless.h"
#include "support/support.h"

namespace {

std::vector<uint8_t> ReadRgbPng(const std::string& path, int* width, int* height) {
    std::vector<uint8_t> pixels;
    FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) return pixels;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, in);
        png_read_info(png, info);
        *width = static_cast<int>(png_get_image_width(png, info));
        *height = static_cast<int>(png_get_image_height(png, info));
        if (png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB && png_get_bit_depth(png, info) == 8) {
            pixels.resize(static_cast<size_t>(*width) * *height * 3);
            for (int y = 0; y < *height; ++y)
                png_read_row(png, pixels.data() + static_cast<size_t>(y) * *width * 3, nullptr);
            png_read_end(png, nullptr);
        }
    } else {
        pixels.clear();
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(in);
    return pixels;
}

TEST(FramePng, EveryPixelReadsBackWidened) {
    constexpr int kWidth = 800, kHeight = 600, kPitch = 832;
    std::vector<uint16_t> frame(static_cast<size_t>(kPitch) * kHeight, 0xDEAD);
    uint32_t noise = 12345;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint16_t& p = frame[static_cast<size_t>(y) * kPitch + x];
            if (y < 100) p = 0;                                          // flat black
            else if (y < 200) p = static_cast<uint16_t>(x < 400 ? 0xFFFF : 0xF800);
            else if (y < 300) p = static_cast<uint16_t>(x * 81 + y);     // gradients
            else if (y < 400) p = static_cast<uint16_t>((x / 7) % 2 ? 0x07E0 : 0x001F);
            else if (y < 500) p = frame[static_cast<size_t>(y - 100) * kPitch + x];  // repeated rows
            else p = static_cast<uint16_t>((noise = noise * 1103515245u + 12345u) >> 16);
        }
    vxtest::TempDir dir;
    const std::string path = (dir / "frame.png").string();
    ASSERT_TRUE(pf::headless::WritePng(path, frame.data(), kWidth, kHeight, kPitch));

    int width = 0, height = 0;
    const std::vector<uint8_t> rgb = ReadRgbPng(path, &width, &height);
    ASSERT_EQ(width, kWidth);
    ASSERT_EQ(height, kHeight);
    ASSERT_EQ(rgb.size(), static_cast<size_t>(kWidth) * kHeight * 3);
    int wrong = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const unsigned p = frame[static_cast<size_t>(y) * kPitch + x];
            const unsigned r = p >> 11, g = (p >> 5) & 63, b = p & 31;
            const uint8_t* got = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
            if (got[0] != ((r << 3) | (r >> 2)) || got[1] != ((g << 2) | (g >> 4)) ||
                got[2] != ((b << 3) | (b >> 2)))
                ++wrong;
        }
    EXPECT_EQ(wrong, 0);
    // Flat and repeated parts compress: far below the 1.44 MB of raw pixels.
    EXPECT_LT(vxtest::ReadWholeFile(path).size(), 700000u);
}

}  // namespace
