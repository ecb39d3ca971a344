// The desktop's clock, sleeps and display refresh, which the backend hands
// to the core's pacing of the game's waiting loops (core/pacing.h).
#pragma once

#include <SDL.h>

#include <chrono>

#include "backend.h"

namespace pf::sdl {

// Milliseconds since the machine started, as the tick count is: a run's
// first reading differs from the last run's, so seeds drawn from it do too.
DWORD NowMs();
// Sleeps until NowMs() reads due.
void SleepUntilMs(DWORD due);
// Sleeps a poll's or peek's nap.
void NapSleep();

// A flip completes one refresh period of the window's display after the
// picture was presented.
class Refresh {
public:
    // A picture went to the display.
    void Presented() { lastPresent_ = Clock::now(); }
    // Sleeps until the display has taken the last picture.
    void Wait();
    // Takes the refresh period of the display holding the window.
    void ReadRate(SDL_Window* window);

private:
    using Clock = std::chrono::steady_clock;

    Clock::time_point lastPresent_{};
    Clock::duration period_ = std::chrono::nanoseconds(1'000'000'000LL / 60);
};

}  // namespace pf::sdl
