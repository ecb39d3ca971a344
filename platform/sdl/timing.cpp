// The desktop's clock, sleeps and display refresh (see timing.h).
#include "timing.h"

#include <cstdint>
#include <thread>

namespace pf::sdl {
namespace {

using Clock = std::chrono::steady_clock;

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

void SleepUntilMs(DWORD due) { std::this_thread::sleep_until(AtMs(due)); }

void NapSleep() { std::this_thread::sleep_for(kNap); }

void Refresh::Wait() {
    const auto due = lastPresent_ + period_;
    if (Clock::now() < due) std::this_thread::sleep_until(due);
}

void Refresh::ReadRate(SDL_Window* window) {
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(window);
    int hz = 60;
    if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0)
        hz = mode.refresh_rate;
    period_ = std::chrono::nanoseconds(1'000'000'000LL / hz);
}

}  // namespace pf::sdl
