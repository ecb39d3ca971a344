// The pixel loops behind fills and rectangle copies of 16-bit surfaces. The
// callers have checked every rectangle against both surfaces; these only
// move pixels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pf::core {

// Sets width pixels of each of height rows to colour.
void FillPixels(uint16_t* dest, ptrdiff_t destPitch, int width, int height, uint16_t colour);

// Copies a width x height block; rows may overlap (same surface).
void CopyPixels(uint16_t* dest, ptrdiff_t destPitch, const uint16_t* source,
                ptrdiff_t sourcePitch, int width, int height);

// Copies the pixels that lie outside [keyLow, keyHigh]; destination pixels
// under keyed source pixels keep their value. Rows may overlap.
void CopyPixelsKeyed(uint16_t* dest, ptrdiff_t destPitch, const uint16_t* source,
                     ptrdiff_t sourcePitch, int width, int height, uint16_t keyLow,
                     uint16_t keyHigh);

}  // namespace pf::core
