// velnorix: the game on the SDL2 backend.
#include <string>

#include "pf/window.h"
#include "platform/sdl/sdl_backend.h"

int main(int argc, char** argv) {
    // The game ignores its command line; it is passed on as Windows would.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    pf::sdl::StartBackend();
    static char instanceTag;
    const int result = WinMain(reinterpret_cast<pf::HINSTANCE>(&instanceTag), nullptr,
                               commandLine.data(), pf::SW_SHOWNORMAL);
    pf::sdl::StopBackend();
    return result;
}
