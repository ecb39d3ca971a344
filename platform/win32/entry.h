// What the program's entry hands to WinMain, read from the real process by
// the backend (the entry itself cannot see the Windows headers: they declare
// a WinMain of their own).
#pragma once

#include "pf/types.h"

namespace pf::win32 {

// The module handle of the program.
HINSTANCE ProgramInstance();
// The command line without the program's name, as Windows passes it to WinMain.
char* ProgramCommandLine();
// The show command the program was started with (SW_SHOWDEFAULT when none).
int ProgramShowCommand();

}  // namespace pf::win32
