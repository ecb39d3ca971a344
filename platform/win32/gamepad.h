// Gamepads on Windows, read as keys of the keyboard the game polls: XInput
// pads, or the system's joystick interface (winmm) where no XInput library
// is present. The mapping is the Linux backend's: d-pad or left stick are
// the arrow keys, the south button (A) is Return and left Ctrl, start is P,
// back is Escape.
#pragma once

#include <cstdint>

namespace pf::win32 {

// One pad's reading in XInput's terms: its button bits and its left stick
// (y upwards).
struct PadReading {
    uint16_t buttons = 0;
    int16_t x = 0;
    int16_t y = 0;
};

// XInput's button bits used by the mapping.
constexpr uint16_t kPadUp = 0x0001;
constexpr uint16_t kPadDown = 0x0002;
constexpr uint16_t kPadLeft = 0x0004;
constexpr uint16_t kPadRight = 0x0008;
constexpr uint16_t kPadStart = 0x0010;
constexpr uint16_t kPadBack = 0x0020;
constexpr uint16_t kPadA = 0x1000;

constexpr int kPadKeys = 8;

// The keys one pad holds: held[] is the pad's previous answer (the stick
// lets go of a direction below a third of the way, and takes it past half
// way) and receives the new one, in the order left, right, up, down,
// Return, left Ctrl, P, Escape.
void MapPad(const PadReading& reading, bool held[kPadKeys]);

// Sets down, in a 256-byte keyboard state, every key a connected pad holds.
// Pads are looked at no more than every few milliseconds, empty slots every
// two seconds.
void AddPadKeys(uint8_t* state);

}  // namespace pf::win32
