// Dialogs built from an in-program template (dialog units, converted to
// pixels as for an 8-point font), their controls, and the shell's folder
// browser. Shown with GTK 3; in unattended mode the backend fills the edit box
// with the given folder, presses the default button and prints each message
// box's text on standard output.
#pragma once

#include "pf/types.h"
#include "pf/window.h"

namespace pf {

enum class ControlKind { PushButton, DefPushButton, Static, Edit };

struct DialogControl {
    int id;  // -1 for none
    ControlKind kind;
    const char* text;
    short x, y, cx, cy;  // dialog units
    DWORD style;
};

struct DialogTemplate {
    const char* className;
    const char* title;
    const char* fontName;
    int fontPoints;
    DWORD style;
    short x, y, cx, cy;  // dialog units
    const DialogControl* controls;
    int controlCount;
};

constexpr DWORD DS_MODALFRAME = 0x80;
constexpr DWORD WS_TABSTOP = 0x00010000u;
constexpr DWORD WS_GROUP = 0x00020000u;
constexpr DWORD WS_BORDER = 0x00800000u;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD SS_LEFT = 0x0000;
constexpr DWORD BS_DEFPUSHBUTTON = 0x0001;
constexpr int DLGWINDOWEXTRA = 30;

// WM_COMMAND carries the control id in the low word of wParam.
inline int LOWORD(WPARAM value) { return static_cast<int>(value & 0xFFFF); }

using DLGPROC = intptr_t (*)(HWND, UINT, WPARAM, LPARAM);

// Creates the dialog as a window of the template's class (which must be
// registered); its messages go to that class's window procedure.
HWND CreateDialogIndirectParamA(HINSTANCE instance, const DialogTemplate* dialog, HWND parent,
                                DLGPROC procedure, LPARAM param);
UINT GetDlgItemTextA(HWND dialog, int id, char* buffer, int size);
BOOL SetDlgItemTextA(HWND dialog, int id, const char* text);

// The shell's folder browser.
using LPITEMIDLIST = ItemListObject*;
constexpr int CSIDL_DRIVES = 0x0011;

struct BROWSEINFOA {
    HWND hwndOwner;
    LPITEMIDLIST pidlRoot;
    char* pszDisplayName;
    const char* lpszTitle;
    UINT ulFlags;
    void* lpfn;
    LPARAM lParam;
    int iImage;
};

HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* out);
LPITEMIDLIST SHBrowseForFolderA(BROWSEINFOA* info);
BOOL SHGetPathFromIDListA(LPITEMIDLIST list, char* path);
void CoTaskMemFree(void* memory);

}  // namespace pf
