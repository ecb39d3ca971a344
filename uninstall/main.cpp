// velnorix-uninstall: runs the uninstaller on the core's plain backend.
#include "uninstall/uninstaller.h"

int WinMain(pf::HINSTANCE instance, pf::HINSTANCE previous, char* commandLine, int showCommand) {
    return uninstaller::WinMain(instance, previous, commandLine, showCommand);
}

int main() {
    char commandLine[] = "";
    return WinMain(nullptr, nullptr, commandLine, 1);
}
