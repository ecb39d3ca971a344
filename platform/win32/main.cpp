// The entry of every program on the Win32 backend (velnorix.exe, install.exe,
// Uninstall.exe). The C runtime calls main; the program's WinMain gets what
// Windows would have passed to it.
#include "entry.h"
#include "pf/window.h"

int main() {
    return WinMain(pf::win32::ProgramInstance(), nullptr, pf::win32::ProgramCommandLine(),
                   pf::win32::ProgramShowCommand());
}
