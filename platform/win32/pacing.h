// The backend's share of the game's busy waits on the tick count (see
// pacing.cpp). The waits and what they read stay as the game wrote them.
#pragma once

namespace pf::win32 {

// A waiting point other than a tick read (a message peek, a keyboard poll,
// a flip-status query): the next tick read starts a new run of reads.
void NoteWaitPoint();

// The real tick count, for a read inside the game's waits; may sleep first.
unsigned long PacedTickCount();

}  // namespace pf::win32
