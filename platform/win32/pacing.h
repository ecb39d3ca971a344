// The backend's share of the game's waiting loops (see pacing.cpp). The
// waits and what they read stay as the game wrote them.
#pragma once

#include "pf/types.h"

namespace pf::win32 {

// A waiting point of the game other than a tick read: the next tick read
// starts a new run of reads.
void MessagePeekPoint();
void KeyboardPollPoint();
void FlipStatusPoint();

// The real tick count, for a read inside the game's waits; may sleep first.
DWORD PacedTickCount();

}  // namespace pf::win32
