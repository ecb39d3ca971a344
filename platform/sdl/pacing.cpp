// Sleeps inside the game's waiting loops (see pacing.h).
#include "pacing.h"

#include <thread>

namespace pf::sdl {
namespace {

using Clock = std::chrono::steady_clock;

// Reads of one millisecond allowed before a read sleeps.
constexpr int kReadsBeforeSleep = 2;
// The longest run of tick reads still taken for a frame wait (longer runs,
// such as the intro's, predict nothing).
constexpr DWORD kLongestFrameWaitMs = 40;
// The nap of a poll or peek that follows another one directly.
constexpr auto kNap = std::chrono::milliseconds(8);

DWORD ToMs(Clock::time_point t) {
    return static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count());
}

// The moment the tick count reaches ms (the wrap of 2^32 ms is far away).
Clock::time_point AtMs(DWORD ms) {
    const auto now = Clock::now();
    const auto ahead = static_cast<int32_t>(ms - ToMs(now));
    const auto start = std::chrono::time_point_cast<std::chrono::milliseconds>(now);
    return start + std::chrono::milliseconds(ahead);
}

}  // namespace

DWORD NowMs() { return ToMs(Clock::now()); }

bool Pacing::Repeated(core::TickReason reason) {
    const core::TickReason before = lastReason_;
    lastReason_ = reason;
    const bool again = reason == before && !presented_;
    presented_ = false;
    return again;
}

// The first read after other calls starts a run; a frame wait is such a
// run, and it ends a frame period after the last read of the run before it,
// which is the game's frame start. Reads inside a run sleep to that moment
// at once, and from then on, like any run, one millisecond at a time once a
// millisecond has been read twice.
DWORD Pacing::TickRead(bool again) {
    DWORD now = NowMs();
    if (!again) {
        const bool frameWait = haveRun_ && lastRead_ - runStart_ <= kLongestFrameWaitMs;
        runDue_ = lastRead_ + frameMs_;
        predicting_ = frameWait;
        runStart_ = now;
        haveRun_ = true;
        sameTickReads_ = 0;
    } else if (predicting_ && static_cast<int32_t>(runDue_ - now) > 0 &&
               runDue_ - now <= frameMs_) {
        std::this_thread::sleep_until(AtMs(runDue_));
        now = NowMs();
        predicting_ = false;
    } else if (now == lastRead_ && ++sameTickReads_ >= kReadsBeforeSleep) {
        std::this_thread::sleep_until(AtMs(now + 1));
        now = NowMs();
        sameTickReads_ = 0;
    } else if (now != lastRead_) {
        sameTickReads_ = 0;
    }
    lastRead_ = now;
    return now;
}

void Pacing::Nap() { std::this_thread::sleep_for(kNap); }

void Pacing::Presented() {
    lastPresent_ = Clock::now();
    presented_ = true;
}

void Pacing::WaitForRefresh() {
    const auto due = lastPresent_ + refreshPeriod_;
    if (Clock::now() < due) std::this_thread::sleep_until(due);
}

void Pacing::ReadRefreshRate(SDL_Window* window) {
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(window);
    int hz = 60;
    if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0)
        hz = mode.refresh_rate;
    refreshPeriod_ = std::chrono::nanoseconds(1'000'000'000LL / hz);
}

}  // namespace pf::sdl
