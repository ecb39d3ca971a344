// The dialog resource INSTALL, in dialog units.
#include "install/installer.h"

namespace installer {
namespace {

constexpr pf::DWORD kVisibleTab = pf::WS_VISIBLE | pf::WS_TABSTOP;

const pf::DialogControl kControls[] = {
    {IDC_OK, pf::ControlKind::DefPushButton, "OK", 34, 62, 50, 14,
     kVisibleTab | pf::BS_DEFPUSHBUTTON},
    {IDC_CANCEL, pf::ControlKind::PushButton, "Cancel", 100, 62, 50, 14, kVisibleTab},
    {-1, pf::ControlKind::Static, "Path:", 15, 15, 19, 9,
     pf::WS_VISIBLE | pf::WS_GROUP | pf::SS_LEFT},
    {IDC_PATH, pf::ControlKind::Edit, "", 17, 30, 129, 13,
     kVisibleTab | pf::WS_BORDER | pf::ES_AUTOHSCROLL},
    {IDC_BROWSE, pf::ControlKind::PushButton, "...", 151, 30, 15, 13, kVisibleTab},
};

}  // namespace

// Caption, system menu and minimize box; not visible until shown.
const pf::DialogTemplate InstallDialog = {
    "Install",
    "Install Velnorix For Win32",
    "MS Sans Serif",
    8,
    pf::WS_CAPTION | pf::WS_SYSMENU | pf::WS_MINIMIZEBOX,
    200,
    150,
    186,
    95,
    kControls,
    static_cast<int>(sizeof kControls / sizeof kControls[0]),
};

}  // namespace installer
