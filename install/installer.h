// The installer: one dialog in which the user names a destination folder;
// OK unpacks "data.1" there, writes "install.log", records the installation
// in the registry and reports the outcome in a message box.
#pragma once

#include "pf/dialog.h"
#include "pf/types.h"
#include "pf/window.h"

namespace installer {

// Dialog controls.
constexpr int IDC_OK = 1000;
constexpr int IDC_CANCEL = 1001;
constexpr int IDC_PATH = 1002;
constexpr int IDC_BROWSE = 1003;

constexpr const char* kCaption = "Install Velnorix For Win32";
constexpr const char* kSuccessText = "Velnorix For Win32 successfully installed";
constexpr const char* kFailureText = "Error: Installation terminated";
constexpr const char* kArchiveName = "data.1";

// The dialog resource INSTALL.
extern const pf::DialogTemplate InstallDialog;

int WinMain(pf::HINSTANCE instance, pf::HINSTANCE previous, char* commandLine, int showCommand);
pf::LRESULT InstallWndProc(pf::HWND window, pf::UINT message, pf::WPARAM wParam,
                           pf::LPARAM lParam);
bool RunInstallation(const char* folder);

}  // namespace installer
