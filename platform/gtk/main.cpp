// velnorix-install: the installer with its GTK 3 dialog, or unattended:
//
//   velnorix-install                     the dialog
//   velnorix-install --unattended DIR    installs into DIR without a display,
//                                        prints the outcome; exit status 0 on
//                                        success, 1 on failure (the
//                                        installer's own exit code)
//
// Both run the installer's own entry and window procedure; only the backend
// differs. A successful installation through the dialog also gets an entry in
// the desktop's application menu (platform/posix/menu_entry.h), which its
// uninstaller removes. An unattended DIR that is relative is taken from the working
// directory (the installer builds its directory paths from the folder, so it
// must be absolute).
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "pf/window.h"
#include "platform/gtk/gtk_backend.h"
#include "platform/posix/menu_entry.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: velnorix-install [--unattended DIR]\n");
    return 2;
}

std::string Absolute(const char* folder) {
    if (folder[0] == '/' || folder[0] == '\\' || folder[0] == 0) return folder;
    char current[4096];
    if (getcwd(current, sizeof current) == nullptr) return folder;
    std::string path = current;
    if (path.back() != '/') path += '/';
    return path + folder;
}

}  // namespace

int main(int argc, char** argv) {
    static char instanceTag;
    const pf::HINSTANCE instance = reinterpret_cast<pf::HINSTANCE>(&instanceTag);
    char noArguments[] = "";

    if (argc >= 2 && std::strcmp(argv[1], "--unattended") == 0) {
        if (argc != 3) return Usage();
        const std::string folder = Absolute(argv[2]);
        pf::gtk::StartUnattendedBackend(folder.c_str());
        const int result = WinMain(instance, nullptr, noArguments, pf::SW_SHOWNORMAL);
        return result == 0 ? 0 : 1;
    }
    if (argc >= 2 && argv[1][0] == '-' && std::strncmp(argv[1], "--g", 3) != 0) return Usage();

    if (!pf::gtk::StartDialogBackend(&argc, &argv)) return 1;
    const int result = WinMain(instance, nullptr, noArguments, pf::SW_SHOWNORMAL);
    // The installed game in the desktop's application menu, after an
    // installation that reported its success (exit code 0 with its message
    // box; Cancel ends with 0 and no box). The installation stands whatever
    // happens here: a failure only costs the menu entry.
    if (result == 0 && !pf::gtk::DialogMessage().empty() &&
        !pf::posix::AddMenuEntry(pf::posix::RegisteredFolder(), pf::gtk::IconPng()))
        std::fprintf(stderr, "velnorix-install: the menu entry could not be made\n");
    return result;
}
