// Removal of an installation, in the order the install log records it.
//
// What the log cannot be trusted with is refused: files are deleted only in
// the start directory and in logged directories that really lie inside it
// (judged by resolved paths, whatever the log's text); only the three
// keys the installer creates are deleted; at most ten directories are kept.
// A log cut short (an installation that failed or was interrupted) is used up
// to the cut: its files and directories are removed, and of its registry
// pairs all but the last, since the installer logs a pair before it judges
// the key and stops at the first key that already existed (that key belongs
// to another installation).
#include "uninstall/uninstaller.h"

#include "install/install_log.h"
#include "install/strings.h"
#include "install/whole_file.h"
#include "pf/files.h"
#include "pf/registry.h"

namespace uninstaller {
namespace {

using installer::StringsEqual;
constexpr pf::DWORD kNameSize = pf::MAX_PATH;

char StartDirectory[kNameSize];
char CurrentEntry[kNameSize];
char DirectoryList[kMaxDirectories][kNameSize];
int DirectoryCount = 0;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Moves *p to the next path component and returns its length (0 at the end).
int NextComponent(const char** p) {
    while (IsSeparator(**p)) ++*p;
    int length = 0;
    while ((*p)[length] != 0 && !IsSeparator((*p)[length])) ++length;
    return length;
}

// From a root ("/x", "\x", "\\server\share") or on a drive ("C:\x", and "C:x",
// which is x in drive C's current folder).
bool IsAbsolute(const char* path) {
    return IsSeparator(path[0]) || (path[0] != 0 && path[1] == ':');
}

bool IsDotComponent(const char* c, int length) {
    return (length == 1 && c[0] == '.') || (length == 2 && c[0] == '.' && c[1] == '.');
}

// The three keys an installation registers, each under its root.
pf::HKEY KnownKeyRoot(bool localMachine, const char* path) {
    if (StringsEqual(path, "Software\\Velnorix"))
        return localMachine ? pf::HKEY_LOCAL_MACHINE : pf::HKEY_CURRENT_USER;
    if (localMachine &&
        StringsEqual(path, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velnorix"))
        return pf::HKEY_LOCAL_MACHINE;
    return nullptr;
}

// Counts the root-and-subkey pairs of the registry phase and tells whether
// the log reaches "INSTALLATION_COMPLETE".
void SurveyLog(const void* image, pf::DWORD size, int* pairs, bool* complete) {
    installer::LogReader reader;
    installer::OpenLog(reader, image, size);
    char entry[kNameSize];
    *pairs = 0;
    *complete = false;
    bool registry = false;
    bool rooted = false;
    while (installer::NextLogString(reader, entry, sizeof entry)) {
        if (!registry) {
            // As the files phase reads it: a directory marker's path is never
            // a marker itself.
            if (StringsEqual(entry, installer::kCreatedDirectory)) {
                if (!installer::NextLogString(reader, entry, sizeof entry)) return;
            } else {
                registry = StringsEqual(entry, installer::kCreatedRegKeys);
            }
        } else if (StringsEqual(entry, installer::kInstallationComplete)) {
            *complete = true;
            return;
        } else if (StringsEqual(entry, installer::kRootLocalMachine) ||
                   StringsEqual(entry, installer::kRootCurrentUser)) {
            rooted = true;
        } else {
            if (rooted) ++*pairs;
            rooted = false;
        }
    }
}

// Enters a logged directory and tells whether it is really inside the start
// directory, judged by the current directory it leads to (a resolved path,
// like the start directory): a folder given with "." or ".." parts, or
// reached through a link, logs paths whose text differs from the start
// directory, and a link inside the folder could lead out of it. Its resolved
// path goes to the directory list. Exits with 0 (through *stop) when it
// cannot be entered.
bool EnterLoggedDirectory(const char* path, bool* stop) {
    *stop = false;
    if (DirectoryCount >= kMaxDirectories) return false;
    if (!pf::SetCurrentDirectoryA(path)) {
        *stop = true;
        return false;
    }
    char* resolved = DirectoryList[DirectoryCount];
    const pf::DWORD length = pf::GetCurrentDirectoryA(kNameSize, resolved);
    if (length == 0 || length >= kNameSize || !IsInsideDirectory(StartDirectory, resolved))
        return false;
    ++DirectoryCount;
    return true;
}

// Number of components of a path.
int Depth(const char* path) {
    int depth = 0;
    for (int length; (length = NextComponent(&path)) > 0; path += length) ++depth;
    return depth;
}

}  // namespace

bool IsPlainFileName(const char* name) {
    if (name[0] == 0 || StringsEqual(name, ".") || StringsEqual(name, "..")) return false;
    for (const char* c = name; *c != 0; ++c)
        if (IsSeparator(*c) || *c == ':') return false;
    return true;
}

bool IsInsideDirectory(const char* start, const char* path) {
    const char* p = path;
    if (!IsAbsolute(path)) {
        // Relative: entered from the start directory.
        int components = 0;
        for (int length; (length = NextComponent(&p)) > 0; p += length, ++components)
            if (IsDotComponent(p, length)) return false;
        return components > 0;
    }
    const char* s = start;
    for (int length; (length = NextComponent(&s)) > 0; s += length) {
        const int other = NextComponent(&p);
        if (other != length) return false;
        for (int i = 0; i < length; ++i)
            if (s[i] != p[i]) return false;
        p += length;
    }
    int deeper = 0;
    for (int length; (length = NextComponent(&p)) > 0; p += length, ++deeper)
        if (IsDotComponent(p, length)) return false;
    return deeper > 0;
}

int WinMain(pf::HINSTANCE /*instance*/, pf::HINSTANCE /*previous*/, char* /*commandLine*/,
            int /*showCommand*/) {
    DirectoryCount = 0;

    // The start directory, where the log lies and every logged directory
    // must lie within: without it nothing can be known to be inside it.
    const pf::DWORD startLength = pf::GetCurrentDirectoryA(sizeof StartDirectory, StartDirectory);
    if (startLength == 0 || startLength >= sizeof StartDirectory) return 0;

    // The whole log.
    void* image = nullptr;
    pf::DWORD size = 0;
    pf::HGLOBAL memory = installer::ReadWholeFile(installer::kLogFileName, &image, &size);
    if (memory == nullptr) return 0;

    int pairsToDelete = 0;
    bool complete = false;
    SurveyLog(image, size, &pairsToDelete, &complete);
    if (!complete && pairsToDelete > 0) --pairsToDelete;

    installer::LogReader log;
    installer::OpenLog(log, image, size);

    // The files, each in the directory logged before it. While a logged
    // directory is refused, the files logged after it are left alone too.
    bool usable = true;
    while (installer::NextLogString(log, CurrentEntry, sizeof CurrentEntry)) {
        if (StringsEqual(CurrentEntry, installer::kCreatedRegKeys)) break;
        if (StringsEqual(CurrentEntry, installer::kCreatedDirectory)) {
            if (!pf::SetCurrentDirectoryA(StartDirectory)) {
                pf::GlobalFree(memory);
                return 0;
            }
            if (!installer::NextLogString(log, CurrentEntry, sizeof CurrentEntry)) break;
            bool stop = false;
            usable = EnterLoggedDirectory(CurrentEntry, &stop);
            if (stop) {
                pf::GlobalFree(memory);
                return 0;
            }
            continue;
        }
        if (usable && IsPlainFileName(CurrentEntry)) pf::DeleteFileA(CurrentEntry);
    }

    // The registry keys, each under the root logged before it.
    bool rootSelected = false;
    bool localMachine = false;
    while (installer::NextLogString(log, CurrentEntry, sizeof CurrentEntry)) {
        if (StringsEqual(CurrentEntry, installer::kInstallationComplete)) break;
        if (StringsEqual(CurrentEntry, installer::kRootLocalMachine)) {
            rootSelected = true;
            localMachine = true;
        } else if (StringsEqual(CurrentEntry, installer::kRootCurrentUser)) {
            rootSelected = true;
            localMachine = false;
        } else {
            if (rootSelected && pairsToDelete > 0) {
                --pairsToDelete;
                pf::HKEY root = KnownKeyRoot(localMachine, CurrentEntry);
                if (root != nullptr) pf::RegDeleteKeyA(root, CurrentEntry);
            }
            rootSelected = false;
        }
    }

    pf::GlobalFree(memory);

    // Back to the start directory for the log and the directories.
    if (!pf::SetCurrentDirectoryA(StartDirectory)) return 1;

    pf::DeleteFileA(installer::kLogFileName);

    // The created directories, deepest first, so that a directory created
    // inside another one is gone before its parent is tried (equal depths in
    // log order); a directory that is not empty stays.
    bool removed[kMaxDirectories] = {};
    for (int n = 0; n < DirectoryCount; ++n) {
        int next = -1;
        for (int i = 0; i < DirectoryCount; ++i)
            if (!removed[i] && (next < 0 || Depth(DirectoryList[i]) > Depth(DirectoryList[next])))
                next = i;
        removed[next] = true;
        pf::RemoveDirectoryA(DirectoryList[next]);
    }

    // The uninstaller itself: the installer writes it as "Uninstall.exe";
    // names are case-sensitive here.
    pf::DeleteFileA(kUninstallerFile);

    return 1;
}

}  // namespace uninstaller
