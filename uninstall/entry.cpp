// The program entry the platform's startup code calls.
#include "uninstall/uninstaller.h"

int WinMain(pf::HINSTANCE instance, pf::HINSTANCE previous, char* commandLine, int showCommand) {
    return uninstaller::WinMain(instance, previous, commandLine, showCommand);
}
