// A trace of what the backend sees and does, for the Windows tests and for
// diagnosing a player's machine: when the environment variable VX_TRACE
// names a file, one line per event is appended to it (activation, lost
// surfaces and their restore, display mode switches, dropped key taps...).
// Without it nothing is written and nothing is formatted.
#pragma once

namespace pf::win32 {

// True when a trace file is named.
bool Tracing();
// Appends one line, formatted as by wvsprintfA (at most 255 characters).
void Trace(const char* format, ...);

// A file that a whole-file save could not write, and why (a system error
// code): the next message box the program shows says so, in the user's
// words, after its own text (a hall of fame in a folder the user may not
// write to would otherwise be lost with a terse message only).
void NoteUnsavedFile(const char* name, unsigned long error);
// The note as text for a message box ("" when none), then forgotten.
const char* TakeUnsavedFileNote();

}  // namespace pf::win32
