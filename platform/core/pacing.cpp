// Sleeps inside the game's waiting loops (see pacing.h).
#include "pacing.h"

#include <cstdint>

namespace pf::core {
namespace {

// Reads of one millisecond allowed before a read sleeps.
constexpr int kReadsBeforeSleep = 2;
// The longest run of tick reads still taken for a frame wait (longer runs,
// such as the intro's, predict nothing).
constexpr DWORD kLongestFrameWaitMs = 40;

}  // namespace

DWORD Pacing::Ticks(TickReason reason) {
    const bool again = Repeated(reason);
    switch (reason) {
        case TickReason::TickRead: return TickRead(again);
        case TickReason::KeyboardPoll:
        case TickReason::MessagePeek:
            if (again) host_.Nap();
            return host_.NowMs();
        default: return host_.NowMs();
    }
}

void Pacing::Presented() {
    presented_ = true;
    host_.Presented();
}

bool Pacing::Repeated(TickReason reason) {
    const TickReason before = lastReason_;
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
    DWORD now = host_.NowMs();
    if (!again) {
        const bool frameWait = haveRun_ && lastRead_ - runStart_ <= kLongestFrameWaitMs;
        runDue_ = lastRead_ + frameMs_;
        predicting_ = frameWait;
        runStart_ = now;
        haveRun_ = true;
        sameTickReads_ = 0;
    } else if (predicting_ && static_cast<int32_t>(runDue_ - now) > 0 &&
               runDue_ - now <= frameMs_) {
        host_.SleepUntilMs(runDue_);
        now = host_.NowMs();
        predicting_ = false;
    } else if (now == lastRead_ && ++sameTickReads_ >= kReadsBeforeSleep) {
        host_.SleepUntilMs(now + 1);
        now = host_.NowMs();
        sameTickReads_ = 0;
    } else if (now != lastRead_) {
        sameTickReads_ = 0;
    }
    lastRead_ = now;
    return now;
}

}  // namespace pf::core
