// Sprite files: a header (width, height, x, y) and 24-bit pixels that go onto
// the offscreen sheet at the rectangle the header names.
#include "game/data/data.h"
#include "game/data/loader_file.h"
#include "game/shell/shell.h"

namespace {

constexpr LoaderMessages SpriteMessages = {
    "[ReadSPRFile] Unable to open file\n",
    "[ReadSPRFile] Unable to get file size\n",
    "[ReadSPRFile] Unable to allocate temporary memory\n",
    "[ReadSPRFile] Unable to lock memory\n",
    "[ReadSPRFile] Unable to read complete file\n",
};

constexpr size_t HeaderBytes = 8;

// A 5-6-5 pixel from blue, green, red: the low bits are dropped, no rounding.
inline uint16_t ToSheetPixel(uint8_t blue, uint8_t green, uint8_t red) {
    return static_cast<uint16_t>(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3));
}

}  // namespace

void StoreSpritePixels(const Sprite& sprite, const uint8_t* pixels) {
    // The loaders check every rectangle before they call; this refuses
    // anything that would still leave the sheet, so nothing is ever written
    // outside it.
    if (OffscreenBits == nullptr || OffscreenPitch < ScreenWidth * 2) return;
    if (sprite.width == 0 || sprite.height == 0) return;
    if (!FitsSheet(sprite.x, sprite.y, sprite.width, sprite.height)) return;

    // Rows are 800 pixels of the sheet, each starting a pitch after the last.
    uint8_t* sheet = reinterpret_cast<uint8_t*>(OffscreenBits);
    const uint8_t* in = pixels;
    for (uint32_t row = 0; row < sprite.height; ++row) {
        uint16_t* out = reinterpret_cast<uint16_t*>(
                            sheet + static_cast<size_t>(sprite.y + row) * OffscreenPitch) +
                        sprite.x;
        for (uint32_t column = 0; column < sprite.width; ++column, in += 3)
            out[column] = ToSheetPixel(in[0], in[1], in[2]);
    }
}

int ReadSPRFile(const char* fileName, Sprite* sprite) {
    FileBuffer file;
    if (!ReadWholeFile(fileName, SpriteMessages, &file)) return 0;

    // The sprite record changes only once the whole picture is known to be in
    // the file and on the sheet.
    const char* failure = nullptr;
    if (file.size < HeaderBytes) {
        failure = "[ReadSPRFile] Corrupt sprite file (file shorter than its header)\n";
    } else {
        const Sprite read = {ReadU16(file.bytes), ReadU16(file.bytes + 2),
                             ReadU16(file.bytes + 4), ReadU16(file.bytes + 6)};
        if (file.size - HeaderBytes < PictureBytes(read.width, read.height)) {
            failure = "[ReadSPRFile] Corrupt sprite file (file shorter than its picture)\n";
        } else if (!FitsSheet(read.x, read.y, read.width, read.height)) {
            failure = "[ReadSPRFile] Corrupt sprite file (picture outside the 800x600 sheet)\n";
        } else {
            *sprite = read;
            StoreSpritePixels(*sprite, file.bytes + HeaderBytes);
        }
    }

    ReleaseFileBuffer(&file);
    if (failure != nullptr) return ReportError(failure);
    return 1;
}
