// What every file loader of the game shares: reading a file whole into a
// temporary buffer (open, size, allocate, lock, one read, close) with the
// loader's own messages, little-endian fields, and the sheet's bounds.
#pragma once

#include <cstddef>
#include <cstdint>

#include "game/shell/record.h"

// The loader's messages for the steps of reading a file whole.
struct LoaderMessages {
    const char* open;
    const char* size;
    const char* allocate;
    const char* lock;
    const char* read;
};

// A file read whole into a locked temporary block.
struct FileBuffer {
    pf::HGLOBAL memory = nullptr;
    const uint8_t* bytes = nullptr;
    size_t size = 0;
};

// Opens name for reading (existing file, no sharing), reads it whole with one
// read and closes it. On failure reports the step's message through
// ReportError, leaves nothing held and returns false.
bool ReadWholeFile(const char* name, const LoaderMessages& messages, FileBuffer* file);
// Unlocks and frees the temporary block of a ReadWholeFile.
void ReleaseFileBuffer(FileBuffer* file);

inline uint16_t ReadU16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

// True when the rectangle lies wholly on the 800x600 sheet.
inline bool FitsSheet(uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
    return x + width <= static_cast<uint32_t>(ScreenWidth) &&
           y + height <= static_cast<uint32_t>(ScreenHeight);
}

// Bytes of a picture of 3-byte pixels.
inline size_t PictureBytes(uint32_t width, uint32_t height) {
    return static_cast<size_t>(width) * height * 3;
}
