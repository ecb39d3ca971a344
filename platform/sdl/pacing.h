// The backend's share of the game's waiting loops. The game waits in busy
// loops on the tick count and on keyboard polls; the backend keeps those
// loops and gives the processor back inside them:
// - The frame wait reads the tick count until a frame period has passed
//   since the last read of the previous wait; a read inside such a run of
//   reads sleeps straight to that moment, then, like any run of reads of one
//   millisecond, a millisecond at a time.
// - Polls of the keyboard, or message peeks, that follow one another with
//   nothing else between (pause, suspension, waits for a key's release) nap
//   a few milliseconds each.
// - A flip completes at the display's refresh: a timer of one refresh period
//   holds the flip status at "still drawing", and asking sleeps out the rest.
// None of this changes what the loops see: the tick count is the real one.
#pragma once

#include <SDL.h>

#include <chrono>

#include "backend.h"

namespace pf::sdl {

// Milliseconds since the machine started, as the tick count is: a run's
// first reading differs from the last run's, so seeds drawn from it do too.
DWORD NowMs();

class Pacing {
public:
    // The game's frame period (its frame wait) in milliseconds.
    explicit Pacing(DWORD frameMs) : frameMs_(frameMs) {}

    // Notes a waiting point; true when it repeats the previous one with no
    // picture presented between (the caller is waiting, not working).
    bool Repeated(core::TickReason reason);
    // A read of the tick count (again: repeated); may sleep.
    DWORD TickRead(bool again);
    // Sleeps a poll's or peek's nap.
    static void Nap();

    // A picture went to the display; the flip is done at its next refresh.
    void Presented();
    // Sleeps until the display has taken the last picture.
    void WaitForRefresh();
    // Takes the refresh period of the display holding the window.
    void ReadRefreshRate(SDL_Window* window);

private:
    using Clock = std::chrono::steady_clock;

    const DWORD frameMs_;
    core::TickReason lastReason_ = core::TickReason::Other;
    bool presented_ = false;
    DWORD lastRead_ = 0;
    DWORD runStart_ = 0;
    DWORD runDue_ = 0;
    bool haveRun_ = false;
    bool predicting_ = false;
    int sameTickReads_ = 0;
    Clock::time_point lastPresent_{};
    Clock::duration refreshPeriod_ = std::chrono::nanoseconds(1'000'000'000LL / 60);
};

}  // namespace pf::sdl
