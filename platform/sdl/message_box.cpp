// Message boxes on SDL.
#include "message_box.h"

#include <SDL.h>

#include <cstdio>

#include "pf/window.h"

namespace pf::sdl {

int ShowMessageBox(GameWindow& window, const char* text, const char* caption, UINT type) {
    const bool hidden = window.HideForMessageBox();
    Uint32 flags = 0;
    switch (type & 0xF0) {
        case 0x10: flags = SDL_MESSAGEBOX_ERROR; break;
        case 0x30: flags = SDL_MESSAGEBOX_WARNING; break;
        case 0x40: flags = SDL_MESSAGEBOX_INFORMATION; break;
        default: break;
    }
    if (SDL_ShowSimpleMessageBox(flags, caption != nullptr ? caption : "",
                                 text != nullptr ? text : "", nullptr) != 0)
        std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "",
                     text != nullptr ? text : "");
    if (hidden) window.ShowAfterMessageBox();
    return IDOK;
}

}  // namespace pf::sdl
