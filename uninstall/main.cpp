// velnorix-uninstall: runs the uninstaller on the core's plain backend.
#include "pf/window.h"

int main() {
    char commandLine[] = "";
    return WinMain(nullptr, nullptr, commandLine, pf::SW_SHOWNORMAL);
}
