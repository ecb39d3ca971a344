// The instance, command line and show command of the running program, as the
// Windows startup code hands them to WinMain.
#include "entry.h"

#include "win32.h"

namespace pf::win32 {

HINSTANCE ProgramInstance() { return reinterpret_cast<HINSTANCE>(::GetModuleHandleA(nullptr)); }

char* ProgramCommandLine() {
    char* line = ::GetCommandLineA();
    // Skip the program's name, quoted or not, then the blanks after it.
    if (*line == '"') {
        ++line;
        while (*line != 0 && *line != '"') ++line;
        if (*line == '"') ++line;
    } else {
        while (*line != 0 && *line != ' ' && *line != '\t') ++line;
    }
    while (*line == ' ' || *line == '\t') ++line;
    return line;
}

int ProgramShowCommand() {
    ::STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    ::GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace pf::win32
