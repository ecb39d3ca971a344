// The backends' share of the game's waiting loops. The game waits in busy
// loops on the tick count and on keyboard polls; a backend keeps those loops
// and gives the processor back inside them:
// - The frame wait reads the tick count until a frame period has passed
//   since the last read of the previous wait; a read inside such a run of
//   reads sleeps straight to that moment, then, like any run of reads of one
//   millisecond, a millisecond at a time.
// - Polls of the keyboard, or message peeks, that follow one another with
//   nothing else between (pause, suspension, waits for a key's release) nap
//   a few milliseconds each.
// - A flip completes at the display's refresh: asking for the flip status
//   waits until the display has taken the last picture.
// None of this changes what the loops see: the tick count is the real one.
// The host (the desktop, the browser) supplies the clock, the sleeps and the
// refresh.
#pragma once

#include "backend.h"

namespace pf::core {

class PacingHost {
public:
    // Whole milliseconds of the host's clock: the tick count.
    virtual DWORD NowMs() = 0;
    // Sleeps until the tick count reads due (at most a frame period ahead),
    // never past it.
    virtual void SleepUntilMs(DWORD due) = 0;
    // Sleeps a poll's or peek's nap: the game waits for a key or an
    // activation.
    virtual void Nap() = 0;
    // A picture went to the display.
    virtual void Presented() {}
    // Sleeps until the display has taken the last picture.
    virtual void WaitForRefresh() = 0;

protected:
    ~PacingHost() = default;
};

// The game's frame period: its frame wait lasts this long. The interfaces the
// game calls carry no such value, so the backends learn it here, once.
constexpr DWORD kGameFrameMs = 27;

class Pacing {
public:
    // frameMs: the frame period (the game's frame wait) in milliseconds.
    explicit Pacing(PacingHost& host, DWORD frameMs = kGameFrameMs) : host_(host), frameMs_(frameMs) {}

    // A waiting call of the game: the tick count, after the sleep the call
    // deserves. A keyboard poll or a message peek naps when it repeats the
    // previous call; a tick read may sleep (see TickRead).
    DWORD Ticks(TickReason reason);
    // A picture went to the display; the flip is done at its next refresh.
    void Presented();
    // Sleeps until the display has taken the last picture.
    void WaitForRefresh() { host_.WaitForRefresh(); }

private:
    // Notes a waiting point; true when it repeats the previous one with no
    // picture presented between (the caller is waiting, not working).
    bool Repeated(TickReason reason);
    // A read of the tick count (again: repeated); may sleep.
    DWORD TickRead(bool again);

    PacingHost& host_;
    const DWORD frameMs_;
    TickReason lastReason_ = TickReason::Other;
    bool presented_ = false;
    DWORD lastRead_ = 0;
    DWORD runStart_ = 0;
    DWORD runDue_ = 0;
    bool haveRun_ = false;
    bool predicting_ = false;
    int sameTickReads_ = 0;
};

}  // namespace pf::core
