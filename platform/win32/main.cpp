// velnorix.exe: the game on the Win32 backend. The C runtime calls main; the
// game's WinMain gets what Windows would have passed to it.
#include "entry.h"
#include "pf/window.h"

int main() {
    return WinMain(pf::win32::ProgramInstance(), nullptr, pf::win32::ProgramCommandLine(),
                   pf::win32::ProgramShowCommand());
}
