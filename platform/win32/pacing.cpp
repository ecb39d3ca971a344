// The tick count as the game's waits read it, paced by the core's rule
// (core/pacing.h): a frame wait sleeps straight to the moment the game waits
// for, other runs of reads of one millisecond sleep a millisecond at a time.
// The peeks' and polls' naps are the backend's own (window.cpp, dinput.cpp:
// they wake on a message or a key), so this host's nap does nothing.
//
// The tick count moves in steps (Windows: at its clock interrupt; Wine: when
// its server is called), so the value read may lag the clock behind it. How
// far the clock can stand past the value is learnt from the performance
// counter: a read that finds a new value within 2 ms of the read before
// bounds the clock from above, and a sleep "until the tick count reads due"
// ends at that bound, so never past the moment. Without a fresh bound, only
// the one-millisecond sleeps are taken. The read after a sleep calls Wine's
// server first (a queue-status query that takes and changes nothing), which
// brings Wine's tick count up to date; elsewhere it only costs a call.
#include "pacing.h"

#include <cstdint>

// The Windows headers first (win32.h), then the core's rule; its backend
// interface has a CreateDialog, which Windows defines as a macro.
#include "win32.h"
#undef CreateDialog
#include "../core/pacing.h"

namespace pf::win32 {
namespace {

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

class TickHost final : public core::PacingHost {
public:
    DWORD NowMs() override {
        if (refresh_) ::GetQueueStatus(0);
        refresh_ = false;
        const int64_t at = Counter();
        const DWORD tick = static_cast<DWORD>(::GetTickCount());
        if (tick != lastSeen_ && lastReadAt_ != 0 &&
            at - lastReadAt_ <= kBoundingGapMs * CountsPerMs()) {
            // The step came after the read before, to at most tick + 1 ms.
            clockAhead_ = (static_cast<int64_t>(tick) + 1) * CountsPerMs() - lastReadAt_;
            boundAt_ = at;
            haveBound_ = true;
        }
        lastSeen_ = tick;
        lastReadAt_ = at;
        return tick;
    }

    void SleepUntilMs(DWORD due) override {
        const int64_t at = Counter();
        const auto ahead = static_cast<int32_t>(due - lastSeen_);
        if (!haveBound_ || at - boundAt_ > kBoundTrustedMs * CountsPerMs()) {
            // No bound: a millisecond's sleep only (the tick count reads
            // due at the earliest one millisecond from now).
            if (ahead == 1) Sleep(1);
            return;
        }
        // Milliseconds until the clock could first reach due.
        const int64_t counts =
            (static_cast<int64_t>(lastSeen_) + ahead) * CountsPerMs() - (at + clockAhead_);
        auto wait = counts > 0 ? static_cast<::DWORD>(counts / CountsPerMs()) : 0;
        // A millisecond's wait stays a millisecond (the bound may stand that
        // far past the clock); a longer one already due by the bound only
        // brings the tick count up to date at the next read.
        if (wait == 0 && ahead == 1) wait = 1;
        if (wait != 0) Sleep(wait);
        refresh_ = true;
    }

    void Nap() override {}
    void WaitForRefresh() override {}

private:
    void Sleep(::DWORD ms) {
        ::Sleep(ms);
        refresh_ = true;
    }

    bool refresh_ = false;    // the next read calls the server first
    DWORD lastSeen_ = 0;      // the value of the last read
    int64_t lastReadAt_ = 0;  // and the counter then
    // The tick clock (in counts) stands below the counter plus this; found
    // at the counter's boundAt_.
    int64_t clockAhead_ = 0;
    int64_t boundAt_ = 0;
    bool haveBound_ = false;
};

TickHost Host;
core::Pacing Pacing{Host};

}  // namespace

void MessagePeekPoint() { Pacing.Ticks(core::TickReason::MessagePeek); }
void KeyboardPollPoint() { Pacing.Ticks(core::TickReason::KeyboardPoll); }
void FlipStatusPoint() { Pacing.Ticks(core::TickReason::FlipStatus); }

DWORD PacedTickCount() { return Pacing.Ticks(core::TickReason::TickRead); }

}  // namespace pf::win32
