// Message boxes on SDL, over the game's window.
#pragma once

#include "game_window.h"
#include "pf/types.h"

namespace pf::sdl {

// Shows the box (the window hidden meanwhile); on standard error when no box
// can be shown. Returns the button pressed (IDOK).
int ShowMessageBox(GameWindow& window, const char* text, const char* caption, UINT type);

}  // namespace pf::sdl
