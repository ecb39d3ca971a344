// The tick count as the game's waits read it. The game waits for its next
// frame in a busy loop on the tick count, 27 ms from the last read of the
// wait before. Reads that follow one another with no other waiting point
// between (no message peek, keyboard poll or flip-status query) form a run:
// - a run that follows a short run (a frame wait, not the intro's long one)
//   is a frame wait: its second read sleeps until, at the earliest, the tick
//   count could reach 27 ms past the last read of the run before;
// - otherwise, and after that, the third read of one millisecond sleeps a
//   millisecond.
// So a frame wait costs a sleep or two, not one per millisecond. No read
// sleeps past a moment the game waits for: the frame waits end exactly then
// and every other wait (longer) ends later.
//
// The tick count moves in steps (Windows: at its clock interrupt; Wine: when
// its server is called), so how far the clock stands past the value read is
// learnt from the performance counter: a read that finds a new value within
// 2 ms of the read before bounds the clock from above, and the sleep ends at
// that bound. After a sleep the reads call Wine's server first (a queue
// status query: nothing taken, nothing changed), which brings Wine's tick
// count up to date; elsewhere it only costs a call.
#include "pacing.h"

#include <cstdint>

#include "win32.h"

namespace pf::win32 {
namespace {

// The game's frame period.
constexpr ::DWORD kFrameMs = 27;
// The longest run still taken for a frame wait.
constexpr ::DWORD kLongestFrameWaitMs = 40;
// Reads of one millisecond allowed before a read sleeps.
constexpr int kReadsBeforeSleep = 2;
// The longest gap between two reads that still bounds the clock, and how
// long such a bound is trusted (the two clocks may drift apart).
constexpr int64_t kBoundingGapMs = 2;
constexpr int64_t kBoundTrustedMs = 1000;

int64_t Counter() {
    ::LARGE_INTEGER now = {};
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

int64_t CountsPerMs() {
    static const int64_t counts = [] {
        ::LARGE_INTEGER frequency = {};
        ::QueryPerformanceFrequency(&frequency);
        return frequency.QuadPart / 1000 > 0 ? frequency.QuadPart / 1000 : 1;
    }();
    return counts;
}

struct TickRuns {
    bool otherWaitSince = true;  // a waiting point since the last read
    bool haveRun = false;
    bool predicting = false;
    bool slept = false;  // a sleep since the last read
    ::DWORD lastRead = 0;
    ::DWORD runStart = 0;
    ::DWORD runDue = 0;
    int sameTickReads = 0;
    ::DWORD lastSeen = 0;    // the value of the last read
    int64_t lastReadAt = 0;  // and the counter then
    // The tick clock (in counts) stands below the counter plus this; found
    // at the counter's boundAt.
    int64_t clockAhead = 0;
    int64_t boundAt = 0;
    bool haveClock = false;
};
TickRuns Runs;

::DWORD ReadTick() {
    if (Runs.slept) ::GetQueueStatus(0);
    Runs.slept = false;
    const int64_t at = Counter();
    const ::DWORD tick = ::GetTickCount();
    if (tick != Runs.lastSeen && Runs.lastReadAt != 0 &&
        at - Runs.lastReadAt <= kBoundingGapMs * CountsPerMs()) {
        // The step happened after the read before, to at most tick + 1 ms.
        Runs.clockAhead = (static_cast<int64_t>(tick) + 1) * CountsPerMs() - Runs.lastReadAt;
        Runs.boundAt = at;
        Runs.haveClock = true;
    }
    Runs.lastSeen = tick;
    Runs.lastReadAt = at;
    return tick;
}

void SleepMs(::DWORD ms) {
    ::Sleep(ms);
    Runs.slept = true;
}

// Milliseconds until the tick clock could first reach `due` (0: now or
// unknown).
::DWORD EarliestWait(::DWORD due, ::DWORD now) {
    const int64_t at = Counter();
    if (!Runs.haveClock || at - Runs.boundAt > kBoundTrustedMs * CountsPerMs()) return 0;
    const int64_t clock = at + Runs.clockAhead;
    const int64_t counts = (static_cast<int64_t>(static_cast<LONG>(due - now)) +
                            static_cast<int64_t>(now)) * CountsPerMs() - clock;
    return counts > 0 ? static_cast<::DWORD>(counts / CountsPerMs()) : 0;
}

}  // namespace

void NoteWaitPoint() { Runs.otherWaitSince = true; }

unsigned long PacedTickCount() {
    ::DWORD now = ReadTick();
    if (Runs.otherWaitSince) {
        Runs.otherWaitSince = false;
        Runs.predicting = Runs.haveRun && Runs.lastRead - Runs.runStart <= kLongestFrameWaitMs;
        Runs.runDue = Runs.lastRead + kFrameMs;
        Runs.runStart = now;
        Runs.haveRun = true;
        Runs.sameTickReads = 0;
    } else if (Runs.predicting && static_cast<LONG>(Runs.runDue - now) > 0 &&
               Runs.runDue - now <= kFrameMs) {
        Runs.predicting = false;
        if (const ::DWORD wait = EarliestWait(Runs.runDue, now)) {
            SleepMs(wait);
            now = ReadTick();
        }
    } else if (now == Runs.lastRead && ++Runs.sameTickReads >= kReadsBeforeSleep) {
        SleepMs(1);
        now = ReadTick();
        Runs.sameTickReads = 0;
    } else if (now != Runs.lastRead) {
        Runs.sameTickReads = 0;
    }
    Runs.lastRead = now;
    return now;
}

}  // namespace pf::win32
