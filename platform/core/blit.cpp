// Pixel loops. Opaque copies are one memmove per row. Keyed copies take
// eight pixels at a time as one vector and select source or destination
// lane by lane without branches, which compiles to a compare and a blend.
#include "blit.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace pf::core {
namespace {

using Lanes = uint16_t __attribute__((vector_size(16)));
constexpr int kLanes = 8;

// Keyed row copy for a single key value (the usual case: key 0).
void KeyedRow(uint16_t* dest, const uint16_t* source, int width, uint16_t key) {
    const Lanes keys = {key, key, key, key, key, key, key, key};
    int i = 0;
    for (; i + kLanes <= width; i += kLanes) {
        Lanes s, d;
        std::memcpy(&s, source + i, sizeof s);
        std::memcpy(&d, dest + i, sizeof d);
        const Lanes transparent = reinterpret_cast<Lanes>(s == keys);
        d = (d & transparent) | (s & ~transparent);
        std::memcpy(dest + i, &d, sizeof d);
    }
    for (; i < width; ++i)
        if (source[i] != key) dest[i] = source[i];
}

void KeyedRangeRow(uint16_t* dest, const uint16_t* source, int width, uint16_t low,
                   uint16_t high) {
    const uint16_t span = static_cast<uint16_t>(high - low);
    for (int i = 0; i < width; ++i)
        if (static_cast<uint16_t>(source[i] - low) > span) dest[i] = source[i];
}

uintptr_t Address(const uint16_t* p) { return reinterpret_cast<uintptr_t>(p); }

bool Overlaps(const uint16_t* dest, ptrdiff_t destPitch, const uint16_t* source,
              ptrdiff_t sourcePitch, int width, int height) {
    const uintptr_t d = Address(dest), s = Address(source);
    const uintptr_t destEnd = Address(dest + destPitch * (height - 1) + width);
    const uintptr_t sourceEnd = Address(source + sourcePitch * (height - 1) + width);
    return d < sourceEnd && s < destEnd;
}

}  // namespace

void FillPixels(uint16_t* dest, ptrdiff_t destPitch, int width, int height, uint16_t colour) {
    if (width <= 0 || height <= 0) return;
    // A colour whose two bytes are equal (black above all: every clear) is
    // a byte fill, which the C library does at memory speed.
    if ((colour >> 8) == (colour & 0xFF)) {
        const size_t bytes = static_cast<size_t>(width) * sizeof(uint16_t);
        const int value = colour & 0xFF;
        if (destPitch == width) {
            std::memset(dest, value, bytes * static_cast<size_t>(height));
        } else {
            for (int row = 0; row < height; ++row) std::memset(dest + destPitch * row, value, bytes);
        }
        return;
    }
    for (int row = 0; row < height; ++row) std::fill_n(dest + destPitch * row, width, colour);
}

void CopyPixels(uint16_t* dest, ptrdiff_t destPitch, const uint16_t* source,
                ptrdiff_t sourcePitch, int width, int height) {
    if (width <= 0 || height <= 0) return;
    const size_t bytes = static_cast<size_t>(width) * sizeof(uint16_t);
    if (Address(dest) > Address(source)) {  // copy bottom-up so that an overlapping source survives
        for (int row = height - 1; row >= 0; --row)
            std::memmove(dest + destPitch * row, source + sourcePitch * row, bytes);
    } else {
        for (int row = 0; row < height; ++row)
            std::memmove(dest + destPitch * row, source + sourcePitch * row, bytes);
    }
}

void CopyPixelsKeyed(uint16_t* dest, ptrdiff_t destPitch, const uint16_t* source,
                     ptrdiff_t sourcePitch, int width, int height, uint16_t keyLow,
                     uint16_t keyHigh) {
    if (width <= 0 || height <= 0) return;
    const bool single = keyLow == keyHigh;
    auto row = [&](uint16_t* d, const uint16_t* s) {
        if (single)
            KeyedRow(d, s, width, keyLow);
        else
            KeyedRangeRow(d, s, width, keyLow, keyHigh);
    };
    if (!Overlaps(dest, destPitch, source, sourcePitch, width, height)) {
        for (int r = 0; r < height; ++r) row(dest + destPitch * r, source + sourcePitch * r);
        return;
    }
    // Same surface, overlapping rectangles: read each source row whole before
    // writing, in the row order that reads every row before it is written.
    std::vector<uint16_t> line(static_cast<size_t>(width));
    const bool bottomUp = Address(dest) > Address(source);
    for (int i = 0; i < height; ++i) {
        const int r = bottomUp ? height - 1 - i : i;
        std::memcpy(line.data(), source + sourcePitch * r, line.size() * sizeof(uint16_t));
        row(dest + destPitch * r, line.data());
    }
}

}  // namespace pf::core
