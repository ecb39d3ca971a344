// The program entry the platform's startup code calls.
#include "install/installer.h"

int WinMain(pf::HINSTANCE instance, pf::HINSTANCE previous, char* commandLine, int showCommand) {
    return installer::WinMain(instance, previous, commandLine, showCommand);
}
