// The startup of a program without a window on the core's plain backend
// (velnorix-uninstall): its entry runs with an empty command line and its
// result is the exit status.
#include "pf/window.h"

int main() {
    char commandLine[] = "";
    return WinMain(nullptr, nullptr, commandLine, pf::SW_SHOWNORMAL);
}
