// The real game on the SDL backend (SDL's dummy video and audio drivers),
// played with a virtual game controller plugged in once the game runs: the
// stick and the d-pad choose in the menu, the south button starts a game,
// the d-pad steers the ship, start pauses and resumes, back leaves play and
// the south button on QUIT ends the game.
#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "game/shell/shell.h"
#include "platform/sdl/sdl_backend.h"
#include "support/support.h"

namespace {

using namespace std::chrono_literals;

// What the game thread shows the pad's thread after every step.
struct Seen {
    std::atomic<int> state{-1};
    std::atomic<int> selection{-1};
    std::atomic<int> shipX{-1};
    std::atomic<bool> over{false};  // the game has ended
};

// Plays the game through the pad; returns "" or what did not happen.
std::string PlayWithPad(const Seen& seen) {
    auto waitFor = [&seen](const std::function<bool()>& done) {
        // A generous bound for a loaded machine; the game reacts in frames.
        const auto end = std::chrono::steady_clock::now() + 30s;
        while (!done()) {
            if (seen.over || std::chrono::steady_clock::now() > end) return done();
            std::this_thread::sleep_for(2ms);
        }
        return true;
    };
    if (!waitFor([&] { return seen.state == GS_MENU; })) return "the menu never came";

    // Plugged in while the game runs.
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "virtual pad";
    const int device = SDL_JoystickAttachVirtualEx(&desc);
    if (device < 0) return std::string("no virtual pad: ") + SDL_GetError();
    SDL_Joystick* pad = SDL_JoystickOpen(device);
    if (pad == nullptr) return std::string("cannot open the virtual pad: ") + SDL_GetError();

    // The game opens the pad when it hears of it; SDL takes the first
    // values it reads as where the pad rests.
    const SDL_JoystickID id = SDL_JoystickInstanceID(pad);
    if (!waitFor([&] { return SDL_GameControllerFromInstanceID(id) != nullptr; }))
        return "the game did not open the pad";
    std::this_thread::sleep_for(200ms);

    std::string failure;
    auto hold = [&](int button, const std::function<bool()>& until, const char* what) {
        if (!failure.empty()) return;
        SDL_JoystickSetVirtualButton(pad, button, 1);
        if (!waitFor(until)) failure = what;
        SDL_JoystickSetVirtualButton(pad, button, 0);
    };
    // Pressed and let go, as a player taps a button; the game acts on the
    // release (pause) or waits for it (leaving play). A virtual pad has no
    // event queue: the press is let go only once the game's event pump has
    // read it, which on a loaded machine can take longer than any tap.
    auto tap = [&](int button, const std::function<bool()>& until, const char* what) {
        if (!failure.empty()) return;
        SDL_JoystickSetVirtualButton(pad, button, 1);
        const auto pressed = [&] {
            SDL_GameController* controller = SDL_GameControllerFromInstanceID(id);
            return controller != nullptr &&
                   SDL_GameControllerGetButton(controller, static_cast<SDL_GameControllerButton>(button)) == 1;
        };
        if (!waitFor(pressed)) failure = what;
        SDL_JoystickSetVirtualButton(pad, button, 0);
        if (!waitFor(until)) failure = what;
    };

    // The stick down, then the d-pad up, in the menu.
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 32767);
    if (!waitFor([&] { return seen.selection == 1; })) failure = "the stick did not move the menu down";
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 0);
    hold(SDL_CONTROLLER_BUTTON_DPAD_UP, [&] { return seen.selection == 0; }, "the d-pad did not move the menu up");

    // South on START.
    hold(SDL_CONTROLLER_BUTTON_A, [&] { return seen.state == GS_PLAYING; }, "south did not start a game");

    // The ship goes left while the d-pad is held.
    const int startX = seen.shipX;
    hold(SDL_CONTROLLER_BUTTON_DPAD_LEFT, [&] { return seen.shipX < startX - 20; }, "the d-pad did not steer the ship");

    tap(SDL_CONTROLLER_BUTTON_START, [&] { return seen.state == GS_PAUSED; }, "start did not pause");
    tap(SDL_CONTROLLER_BUTTON_START, [&] { return seen.state == GS_PLAYING; }, "start did not resume");
    tap(SDL_CONTROLLER_BUTTON_BACK, [&] { return seen.state == GS_MENU; }, "back did not leave play");

    // Down with the d-pad, south on QUIT.
    hold(SDL_CONTROLLER_BUTTON_DPAD_DOWN, [&] { return seen.selection == 1; }, "the d-pad did not move the menu down");
    hold(SDL_CONTROLLER_BUTTON_A, [&] { return seen.state == GS_QUIT; }, "south on QUIT did not end the game");

    SDL_JoystickClose(pad);
    SDL_JoystickDetachVirtual(device);
    return failure;
}

TEST(Gamepad, PlaysTheGame) {
    using vxtest::TempDir;
    TempDir folder;
    vxtest::CopyData(folder.path());
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_TRUE(pf::sdl::StartBackend());

    Seen seen;
    std::string failure;
    std::thread player([&] {
        failure = PlayWithPad(seen);
        // Whatever happened, the game ends: a close request quits it.
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    });
    static char instanceTag;
    if (InitGame(reinterpret_cast<pf::HINSTANCE>(&instanceTag), pf::SW_SHOWNORMAL)) {
        do {
            seen.selection = MenuSelection;
            seen.shipX = ShipX[ShownIndex];
            seen.state = GameState;
        } while (GameStep());
    }
    seen.state = GameState;
    seen.over = true;
    player.join();
    ShutDownGame();
    pf::sdl::StopBackend();
    std::filesystem::current_path(before);

    EXPECT_EQ(failure, "");
    EXPECT_EQ(FatalError, 0) << ErrorText;
}

}  // namespace
