// SDL scancodes to DirectInput scan codes.
#pragma once

#include <cstdint>

namespace pf::sdl {

// The DirectInput code of the key at an SDL scancode, or 0 for a key that
// has none.
uint8_t DirectInputCode(int sdlScancode);

}  // namespace pf::sdl
