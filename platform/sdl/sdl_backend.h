// The SDL2 backend of the game: entry points for its startup code, which
// includes this header without SDL's.
#pragma once

namespace pf::sdl {

// Starts SDL's video and events and installs the backend. False (after a
// message on standard error) when SDL cannot start; the game then runs with
// the core's plain backend.
bool StartBackend();
// Closes the audio output, the window and SDL.
void StopBackend();

}  // namespace pf::sdl
