// The installer's entry, window procedure, installation and registry steps.
#include "install/installer.h"

#include "install/archive.h"
#include "install/install_log.h"
#include "install/strings.h"
#include "install/whole_file.h"
#include "pf/files.h"
#include "pf/registry.h"

namespace installer {
namespace {

pf::HINSTANCE AppInstance = nullptr;

// The folder read from the edit box holds at most 254 characters.
constexpr int kFolderSize = 255;
constexpr const char* kUninstallerName = "\\Uninstall.exe";
constexpr const char* kVelnorixKey = "Software\\Velnorix";
constexpr const char* kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velnorix";

// Builds first followed by second into out (kNameSize bytes); false when the
// result would not fit.
bool JoinPath(char* out, const char* first, const char* second) {
    if (StringSize(first) - 1 + StringSize(second) > kNameSize) return false;
    const pf::DWORD copied = CopyString(out, first);
    CopyString(out + copied - 1, second);
    return true;
}

void SetText(pf::HKEY key, const char* name, const char* text) {
    pf::RegSetValueExA(key, name, 0, pf::REG_SZ, reinterpret_cast<const pf::BYTE*>(text),
                       StringSize(text));
}

// Creates "Velnorix" under parent (if parent is open) and tells whether this
// call created it.
bool CreateNewKey(pf::HKEY parent, pf::HKEY* key) {
    *key = nullptr;
    if (parent == nullptr) return false;
    pf::DWORD disposition = 0;
    const pf::LONG result =
        pf::RegCreateKeyExA(parent, "Velnorix", 0, "", pf::REG_OPTION_NON_VOLATILE,
                            pf::KEY_ALL_ACCESS, nullptr, key, &disposition);
    if (result != pf::ERROR_SUCCESS) {
        *key = nullptr;
        return false;
    }
    return disposition == pf::REG_CREATED_NEW_KEY;
}

pf::HKEY OpenKey(pf::HKEY root, const char* path) {
    pf::HKEY key = nullptr;
    if (pf::RegOpenKeyExA(root, path, 0, pf::KEY_ALL_ACCESS, &key) != pf::ERROR_SUCCESS)
        return nullptr;
    return key;
}

void CloseKey(pf::HKEY key) {
    if (key != nullptr) pf::RegCloseKey(key);
}

void BrowseForFolder(pf::HWND window) {
    pf::LPITEMIDLIST root = nullptr;
    if (pf::SHGetSpecialFolderLocation(window, pf::CSIDL_DRIVES, &root) < 0) return;

    char displayName[pf::MAX_PATH] = {};
    pf::BROWSEINFOA info = {};
    info.hwndOwner = window;
    info.pidlRoot = root;
    info.pszDisplayName = displayName;
    info.lpszTitle = "Choose Directory";
    info.ulFlags = 0;
    info.lpfn = nullptr;
    pf::LPITEMIDLIST chosen = pf::SHBrowseForFolderA(&info);
    if (chosen != nullptr) {
        char path[pf::MAX_PATH];
        if (pf::SHGetPathFromIDListA(chosen, path)) pf::SetDlgItemTextA(window, IDC_PATH, path);
        pf::CoTaskMemFree(chosen);
    }
    pf::CoTaskMemFree(root);
}

// Reads the folder from the edit box and installs into it. A text longer than
// the folder limit would be cut and the game installed into another folder,
// so it fails instead.
bool InstallFromDialog(pf::HWND window) {
    char folder[kFolderSize + 1];
    const pf::UINT length = pf::GetDlgItemTextA(window, IDC_PATH, folder, sizeof folder);
    if (length > kFolderSize - 1) return false;
    return RunInstallation(folder);
}

// Creates a file of the archive in the current directory, writes its content
// whole and logs its name. A link already in its place is not followed (the
// open fails), so nothing outside the installation folder is ever written. A
// file that was created but not written whole (a full disk) is still logged,
// so that the uninstaller removes it, and the installation fails; one whose
// name the log cannot take is deleted again.
bool InstallFile(const ArchiveEntry& entry, pf::HANDLE log) {
    pf::HANDLE file =
        pf::CreateFileA(entry.name, pf::GENERIC_WRITE, 0, nullptr, pf::CREATE_ALWAYS,
                        pf::FILE_ATTRIBUTE_NORMAL | pf::FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == pf::INVALID_HANDLE_VALUE) return false;
    pf::DWORD written = 0;
    bool ok = pf::WriteFile(file, entry.content, entry.size, &written, nullptr) &&
              written == entry.size;
    ok = pf::CloseHandle(file) && ok;
    // A program among the files must be one the host can run.
    if (ok) ok = pf::SetFileExecutable(entry.name);
    if (!WriteLogString(log, entry.name)) {
        pf::DeleteFileA(entry.name);  // no log names it: it would stay for good
        return false;
    }
    return ok;
}

// Processes the archive's entries until its end entry (the archive has been
// checked whole before).
bool InstallEntries(ArchiveReader& archive, ArchiveEntry& entry, const char* folder,
                    pf::HANDLE log) {
    for (;;) {
        switch (entry.kind) {
            case EntryKind::End: return true;
            case EntryKind::Broken: return false;
            case EntryKind::Directory: {
                char path[kNameSize];
                if (!JoinPath(path, folder, "\\")) return false;
                if (!JoinPath(path, path, entry.name)) return false;
                if (!pf::CreateDirectoryA(path, nullptr)) return false;
                if (!pf::SetCurrentDirectoryA(path)) return false;
                if (!WriteLogString(log, kCreatedDirectory) || !WriteLogString(log, path)) {
                    // No log names it: removed again while it is empty.
                    pf::SetCurrentDirectoryA(folder);
                    pf::RemoveDirectoryA(path);
                    return false;
                }
                break;
            }
            case EntryKind::File:
                if (!InstallFile(entry, log)) return false;
                break;
        }
        NextArchiveEntry(archive, entry);
    }
}

// Whether every path the installation will build from folder fits in
// kNameSize bytes: folder\Uninstall.exe, and folder\name for each directory
// entry of the (checked) archive.
bool PathsFit(const char* folder, const void* image, pf::DWORD size) {
    char path[kNameSize];
    if (!JoinPath(path, folder, kUninstallerName)) return false;
    if (image == nullptr) return true;
    ArchiveReader reader;
    ArchiveEntry entry;
    OpenArchive(reader, image, size);
    for (;;) {
        switch (NextArchiveEntry(reader, entry)) {
            case EntryKind::End: return true;
            case EntryKind::Broken: return false;
            case EntryKind::Directory:
                if (!JoinPath(path, folder, "\\") || !JoinPath(path, path, entry.name))
                    return false;
                break;
            case EntryKind::File: break;
        }
    }
}

// The keys this run created, so that they can be deleted again when the log
// can no longer record them: a key that no log names could never be removed
// and would block every later installation.
struct CreatedKeys {
    pf::HKEY roots[3];
    const char* paths[3];
    int count;
};

void ForgetCreatedKeys(CreatedKeys& created) {
    while (created.count > 0) {
        --created.count;
        pf::RegDeleteKeyA(created.roots[created.count], created.paths[created.count]);
    }
}

// Creates "Velnorix" under parent, records it when this call created it,
// logs its root-and-key pair and sets its values. False when the key was
// not created by this call; a pair the log cannot take deletes the keys
// created so far.
bool AddKey(pf::HKEY parent, pf::HKEY root, const char* rootName, const char* path,
            const char* const (&values)[2][2], pf::HANDLE log, CreatedKeys& created) {
    pf::HKEY key = nullptr;
    const bool isNew = CreateNewKey(parent, &key);
    if (isNew) {
        created.roots[created.count] = root;
        created.paths[created.count] = path;
        ++created.count;
    }
    if (!WriteLogString(log, rootName) || !WriteLogString(log, path)) {
        CloseKey(key);
        ForgetCreatedKeys(created);
        return false;
    }
    if (isNew) {
        SetText(key, values[0][0], values[0][1]);
        SetText(key, values[1][0], values[1][1]);
    }
    CloseKey(key);
    return isNew;
}

bool RegisterKeys(const char* folder, pf::HANDLE log, CreatedKeys& created) {
    // The uninstaller's path must fit before anything is registered.
    char uninstallString[kNameSize];
    if (!JoinPath(uninstallString, folder, kUninstallerName)) return false;
    const char* const pathValues[2][2] = {{"Version", "1.00"}, {"Path", folder}};
    const char* const uninstallValues[2][2] = {{"DisplayName", "Velnorix For Win32"},
                                               {"UninstallString", uninstallString}};

    // The user's key: HKEY_CURRENT_USER\Software\Velnorix.
    if (!WriteLogString(log, kCreatedRegKeys)) return false;
    pf::HKEY software = OpenKey(pf::HKEY_CURRENT_USER, "Software");
    bool added = AddKey(software, pf::HKEY_CURRENT_USER, kRootCurrentUser, kVelnorixKey,
                        pathValues, log, created);
    CloseKey(software);
    if (!added) return false;

    // The machine's key: HKEY_LOCAL_MACHINE\Software\Velnorix; "Software" stays
    // open for the next key.
    software = OpenKey(pf::HKEY_LOCAL_MACHINE, "Software");
    added = AddKey(software, pf::HKEY_LOCAL_MACHINE, kRootLocalMachine, kVelnorixKey, pathValues,
                   log, created);
    if (!added) {
        CloseKey(software);
        return false;
    }

    // The entry in the list of installed programs.
    pf::HKEY uninstall =
        software != nullptr ? OpenKey(software, "Microsoft\\Windows\\CurrentVersion\\Uninstall")
                            : nullptr;
    added = AddKey(uninstall, pf::HKEY_LOCAL_MACHINE, kRootLocalMachine, kUninstallKey,
                   uninstallValues, log, created);

    CloseKey(uninstall);
    CloseKey(software);
    return added;
}

}  // namespace

int WinMain(pf::HINSTANCE instance, pf::HINSTANCE /*previous*/, char* /*commandLine*/,
            int showCommand) {
    AppInstance = instance;

    pf::WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = pf::CS_HREDRAW | pf::CS_VREDRAW;
    windowClass.lpfnWndProc = InstallWndProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = pf::DLGWINDOWEXTRA;
    windowClass.hInstance = AppInstance;
    windowClass.hIcon = nullptr;
    windowClass.hCursor = pf::LoadCursorA(nullptr, pf::IDC_ARROW);
    windowClass.hbrBackground =
        reinterpret_cast<pf::HBRUSH>(static_cast<uintptr_t>(pf::COLOR_MENU + 1));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = "Install";
    windowClass.hIconSm = nullptr;
    pf::RegisterClassExA(&windowClass);

    pf::HWND dialog = pf::CreateDialogIndirectParamA(AppInstance, &InstallDialog, nullptr, nullptr, 0);
    // Without its dialog the program could never receive a message to end.
    if (dialog == nullptr) return 1;
    pf::ShowWindow(dialog, showCommand);

    pf::MSG message = {};
    while (pf::GetMessageA(&message, nullptr, 0, 0) > 0) {
        pf::TranslateMessage(&message);
        pf::DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

pf::LRESULT InstallWndProc(pf::HWND window, pf::UINT message, pf::WPARAM wParam,
                           pf::LPARAM lParam) {
    if (message == pf::WM_DESTROY) {
        pf::PostQuitMessage(0);
        return 0;
    }
    if (message == pf::WM_COMMAND) {
        switch (pf::LOWORD(wParam)) {
            case IDC_OK: {
                const bool installed = InstallFromDialog(window);
                pf::MessageBoxA(nullptr, installed ? kSuccessText : kFailureText, kCaption,
                                pf::MB_OK);
                // The program's exit code: 0 installed, 1 failed.
                pf::PostQuitMessage(installed ? 0 : 1);
                break;
            }
            case IDC_CANCEL: pf::PostQuitMessage(0); break;
            case IDC_BROWSE: BrowseForFolder(window); break;
            default: break;
        }
    }
    return pf::DefWindowProcA(window, message, wParam, lParam);
}

bool RunInstallation(const char* folder) {
    // Every path built from the folder must fit before anything is written.
    if (!PathsFit(folder, nullptr, 0)) return false;

    // The destination folder: one level only; an existing folder is accepted.
    pf::CreateDirectoryA(folder, nullptr);

    // The whole archive, from the directory the installer started in.
    void* image = nullptr;
    pf::DWORD size = 0;
    pf::HGLOBAL memory = ReadWholeFile(kArchiveName, &image, &size);
    if (memory == nullptr) return false;

    // The first entry, once the whole archive is known to lie within its size
    // with safe names and paths that fit: nothing is written for a damaged
    // archive.
    ArchiveReader archive;
    ArchiveEntry entry;
    OpenArchive(archive, image, size);
    if (!IsValidArchive(image, size) || !PathsFit(folder, image, size) ||
        NextArchiveEntry(archive, entry) == EntryKind::Broken) {
        pf::GlobalFree(memory);
        return false;
    }

    // From here on, names are relative to the destination folder.
    if (!pf::SetCurrentDirectoryA(folder)) {
        pf::GlobalFree(memory);
        return false;
    }

    // The install log, made new. A log already there belongs to an
    // installation that has not been removed (complete or not): it is the only
    // record of what to remove, so it is kept and this installation fails
    // before writing anything. A link in its place is refused too.
    pf::HANDLE log = pf::CreateFileA(kLogFileName, pf::GENERIC_WRITE, 0, nullptr, pf::CREATE_NEW,
                                     pf::FILE_ATTRIBUTE_NORMAL | pf::FILE_FLAG_OPEN_REPARSE_POINT,
                                     nullptr);
    if (log == pf::INVALID_HANDLE_VALUE) {
        pf::GlobalFree(memory);
        return false;
    }

    // Every file and folder of the archive, each logged as it is made.
    const bool unpacked = InstallEntries(archive, entry, folder, log);

    // The archive is no longer needed.
    pf::GlobalFree(memory);

    // The registry keys, logged too.
    CreatedKeys created = {};
    if (!unpacked || !RegisterKeys(folder, log, created)) {
        // A log that records nothing (the first file could not be written,
        // or the disk was full from the start) goes again: it would only
        // stand in the way of the next installation.
        const bool empty = pf::GetFileSize(log, nullptr) == 0;
        pf::CloseHandle(log);
        if (empty) pf::DeleteFileA(kLogFileName);
        return false;
    }

    // The log's closing line. A log that cannot say the installation is
    // complete fails it, and the keys go again (an incomplete log does not let
    // the uninstaller remove the last key it names).
    const bool completed = WriteLogString(log, kInstallationComplete);
    if (!pf::CloseHandle(log) || !completed) {
        ForgetCreatedKeys(created);
        return false;
    }
    return true;
}

}  // namespace installer
