// The uninstaller: started in the installation folder, it removes what
// "install.log" there records: the installed files, the registry keys, the
// log, the created directories and finally itself. No window, no message;
// the exit code is 0 when the log cannot be used or a logged directory cannot
// be entered, 1 otherwise.
#pragma once

#include "install/install_log.h"
#include "pf/types.h"

namespace uninstaller {

constexpr int kMaxDirectories = installer::kMaxLoggedDirectories;
constexpr const char* kUninstallerFile = "Uninstall.exe";

int WinMain(pf::HINSTANCE instance, pf::HINSTANCE previous, char* commandLine, int showCommand);

// Whether a directory path from the log lies inside the start directory: a
// relative path without "." or ".." components, or an absolute one (from a
// root or on a drive, "C:\x") below start. Separators are "/" and "\", and
// runs of them count as one.
bool IsInsideDirectory(const char* start, const char* path);
// A file name from the log names a file of the current directory: one plain
// component, not "", "." or "..", without ":" (on Windows "C:x" is x in
// drive C's current folder).
bool IsPlainFileName(const char* name);

}  // namespace uninstaller
