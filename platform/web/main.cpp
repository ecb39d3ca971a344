// velnorix in the browser: the game on the web backend. The page's Data
// folder is preloaded into /game; the files the game writes there are kept
// in the browser under /kept.
#include <unistd.h>

#include "pf/window.h"
#include "platform/web/web_backend.h"

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
