// velnorix in the browser: the game on the web backend. The page's Data
// folder is preloaded into /game; the files the game writes there are kept
// in the browser under /kept.
#include <emscripten.h>
#include <unistd.h>

#include "game_fields.h"
#include "pf/window.h"
#include "platform/web/web_backend.h"

// The game's state, score, level and lives, for the page's console and its
// tests (window.vxWeb.game()), read as the bench reads them for its report.
extern "C" EMSCRIPTEN_KEEPALIVE const int* vx_web_game_fields() {
    static int fields[4];
    const pf::headless::GameFields read = pf::headless::ReadGameFields();
    int score = 0;
    for (const char digit : read.score) score = score * 10 + (digit - '0');
    fields[0] = read.state;
    fields[1] = score;
    fields[2] = read.level;
    fields[3] = read.lives;
    return fields;
}

int main() {
    pf::web::StartBackend("/game", "/kept");
    if (::chdir("/game") != 0) return 1;
    static char instanceTag;
    static char commandLine[] = "";
    const int result = WinMain(reinterpret_cast<pf::HINSTANCE>(&instanceTag), nullptr,
                               commandLine, pf::SW_SHOWNORMAL);
    pf::web::StopBackend(result);
    return result;
}
