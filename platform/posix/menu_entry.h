// The desktop's application menu for a game installed by the dialog
// installer: a desktop entry (and its icon) in the user's data folder
// ($XDG_DATA_HOME, else ~/.local/share), made after a successful
// installation and removed by that installation's uninstaller.
//
// The entry is "applications/velnorix-installed-N.desktop", N the first
// number whose entry (and icon, "icons/hicolor/64x64/apps/
// velnorix-installed-N.png") does not exist yet: files are created, never
// replaced, so an installation never takes over another one's entry. The
// installation's registry key (HKEY_CURRENT_USER "Software\Velnorix", which
// the uninstaller deletes) records both paths in the values "MenuEntry" and
// "MenuIcon".
#pragma once

#include <string>

namespace pf::posix {

// The desktop entry of the installation in folder. The icon is written from
// iconPng (a PNG file's bytes). False, with nothing left behind, when either
// file or the record cannot be made.
bool AddMenuEntry(const std::string& folder, const std::string& iconPng);

// The installation folder the registry records (HKEY_CURRENT_USER
// "Software\Velnorix" "Path"), made absolute from the working directory;
// empty when there is none.
std::string RegisteredFolder();

// The menu entry of the installation registered for the working directory,
// taken before its uninstaller runs.
struct MenuEntryRecord {
    std::string folder;
    std::string entry;
    std::string icon;
};
MenuEntryRecord MenuEntryOfThisFolder();

// After the uninstaller: when the installation's key is gone, its entry and
// icon are deleted (only files of the names above, in the user's data
// folder, whose entry names this folder).
void RemoveMenuEntryIfUninstalled(const MenuEntryRecord& record);

}  // namespace pf::posix
