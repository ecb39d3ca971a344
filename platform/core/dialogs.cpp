// Dialogs and the folder browser: the core keeps the windows, the backend
// shows the controls and the browser.
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_set>

#include "backend.h"
#include "core_internal.h"
#include "pf/dialog.h"
#include "pf/files.h"

namespace pf {

struct ItemListObject {
    bool drives = false;  // the root of the browser, not a folder
    std::string path;
};

namespace {

std::unordered_set<ItemListObject*> ItemLists;

bool Live(LPITEMIDLIST list) { return list != nullptr && ItemLists.count(list) != 0; }

LPITEMIDLIST NewList(bool drives, std::string path) {
    auto* list = new ItemListObject{drives, std::move(path)};
    ItemLists.insert(list);
    return list;
}

}  // namespace

HWND CreateDialogIndirectParamA(HINSTANCE instance, const DialogTemplate* dialog, HWND parent,
                                DLGPROC /*procedure*/, LPARAM /*param*/) {
    int32_t code = 0;
    if (core::FaultDue("CreateDialogIndirectParamA", &code)) return nullptr;
    if (dialog == nullptr || dialog->className == nullptr) return nullptr;
    HWND window = CreateWindowExA(0, dialog->className, dialog->title, dialog->style, dialog->x,
                                  dialog->y, dialog->cx, dialog->cy, parent, nullptr, instance,
                                  nullptr);
    if (window == nullptr) return nullptr;
    if (!core::CurrentBackend().CreateDialog(window, dialog)) return nullptr;
    return window;
}

UINT GetDlgItemTextA(HWND dialog, int id, char* buffer, int size) {
    int32_t code = 0;
    if (buffer != nullptr && size > 0) buffer[0] = 0;
    if (core::FaultDue("GetDlgItemTextA", &code)) return 0;
    if (buffer == nullptr || size <= 0) return 0;
    const unsigned length = core::CurrentBackend().GetControlText(dialog, id, buffer, size);
    buffer[size - 1] = 0;  // whatever the backend did, the text ends inside the buffer
    return length < static_cast<unsigned>(size) ? length : static_cast<unsigned>(size - 1);
}

BOOL SetDlgItemTextA(HWND dialog, int id, const char* text) {
    int32_t code = 0;
    if (core::FaultDue("SetDlgItemTextA", &code)) return FALSE;
    return core::CurrentBackend().SetControlText(dialog, id, text != nullptr ? text : "") ? TRUE
                                                                                        : FALSE;
}

HRESULT SHGetSpecialFolderLocation(HWND /*owner*/, int folder, LPITEMIDLIST* out) {
    int32_t code = 0;
    if (out != nullptr) *out = nullptr;
    if (core::FaultDue("SHGetSpecialFolderLocation", &code)) return code;
    if (out == nullptr || folder != CSIDL_DRIVES) return E_FAIL;
    *out = NewList(true, std::string());
    return 0;
}

LPITEMIDLIST SHBrowseForFolderA(BROWSEINFOA* info) {
    int32_t code = 0;
    if (core::FaultDue("SHBrowseForFolderA", &code)) return nullptr;
    if (info == nullptr) return nullptr;
    char path[MAX_PATH] = {};
    if (!core::CurrentBackend().BrowseForFolder(info->hwndOwner, info->lpszTitle, path))
        return nullptr;
    path[MAX_PATH - 1] = 0;
    if (info->pszDisplayName != nullptr) {
        // The display name is the chosen folder's last component.
        const char* slash = std::strrchr(path, '/');
        const char* name = slash != nullptr && slash[1] != 0 ? slash + 1 : path;
        const size_t length = std::min(std::strlen(name), size_t{MAX_PATH - 1});
        std::memcpy(info->pszDisplayName, name, length);
        info->pszDisplayName[length] = 0;
    }
    return NewList(false, path);
}

BOOL SHGetPathFromIDListA(LPITEMIDLIST list, char* path) {
    int32_t code = 0;
    if (core::FaultDue("SHGetPathFromIDListA", &code)) return FALSE;
    if (path == nullptr) return FALSE;
    path[0] = 0;
    if (!Live(list) || list->drives || list->path.size() >= MAX_PATH) return FALSE;
    std::memcpy(path, list->path.c_str(), list->path.size() + 1);
    return TRUE;
}

void CoTaskMemFree(void* memory) {
    auto* list = static_cast<LPITEMIDLIST>(memory);
    if (!Live(list)) return;
    ItemLists.erase(list);
    delete list;
}

namespace core {

void ResetDialogs() {
    for (ItemListObject* list : ItemLists) delete list;
    ItemLists.clear();
}

}  // namespace core
}  // namespace pf
