// velnorix-uninstall: the startup of the windowless uninstaller on the core's
// plain backend (its entry runs with an empty command line and its result is
// the exit status), then the removal of the desktop menu entry that the
// dialog installer made for this installation once its registration is gone.
#include "pf/window.h"
#include "platform/posix/menu_entry.h"

int main() {
    const pf::posix::MenuEntryRecord menuEntry = pf::posix::MenuEntryOfThisFolder();
    char commandLine[] = "";
    const int result = WinMain(nullptr, nullptr, commandLine, pf::SW_SHOWNORMAL);
    pf::posix::RemoveMenuEntryIfUninstalled(menuEntry);
    return result;
}
