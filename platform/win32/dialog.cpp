// Dialogs, their controls and the shell's folder browser: user32 and shell32
// themselves.
//
// A dialog is created from the program's own dialog resource: the one whose
// class and title are the template's. The template must describe that
// resource exactly (style, position, size, font, and each control's id,
// class, text, position, size and style), or no dialog is created: the
// description the other backends show and the resource shown here cannot
// drift apart unnoticed.
#include <cstring>

#include "win32.h"

namespace pf {
namespace {

// Reads a DLGTEMPLATE resource (the plain form, not DIALOGEX) within its size.
class TemplateReader {
public:
    TemplateReader(const ::BYTE* data, ::DWORD size) : start_(data), at_(data), end_(data + size) {}

    bool Ok() const { return ok_; }

    ::WORD Word() {
        if (end_ - at_ < 2) return Fail();
        const ::WORD value = static_cast<::WORD>(at_[0] | (at_[1] << 8));
        at_ += 2;
        return value;
    }

    ::DWORD Dword() {
        const ::DWORD low = Word();
        return low | (static_cast<::DWORD>(Word()) << 16);
    }

    short Short() { return static_cast<short>(Word()); }

    // A NUL-terminated UTF-16 string, as 8-bit text (anything past ASCII
    // never matches a template's text).
    bool Text(const char* expected) {
        const size_t length = std::strlen(expected);
        bool same = true;
        size_t i = 0;
        for (::WORD c; (c = Word()) != 0 && ok_; ++i)
            if (i >= length || c != static_cast<unsigned char>(expected[i]) || c > 0x7F)
                same = false;
        return ok_ && same && i == length;
    }

    // A name or an ordinal (0xFFFF and a number). nullptr expects "none" (a
    // single 0); an ordinal matches when it is expectedOrdinal.
    bool NameOrOrdinal(const char* expected, int expectedOrdinal) {
        if (end_ - at_ >= 2 && at_[0] == 0xFF && at_[1] == 0xFF) {
            Word();
            return Word() == expectedOrdinal && expectedOrdinal >= 0;
        }
        if (expected == nullptr) return Word() == 0;
        return Text(expected);
    }

    // A class name, compared without regard to ASCII case as Windows does.
    bool ClassName(const char* expected, int expectedAtom) {
        if (end_ - at_ >= 2 && at_[0] == 0xFF && at_[1] == 0xFF) {
            Word();
            return Word() == expectedAtom;
        }
        const size_t length = std::strlen(expected);
        bool same = true;
        size_t i = 0;
        for (::WORD c; (c = Word()) != 0 && ok_; ++i) {
            const ::WORD lower = c >= 'A' && c <= 'Z' ? static_cast<::WORD>(c + 32) : c;
            const char e = i < length ? expected[i] : 0;
            const char expectedLower = e >= 'A' && e <= 'Z' ? static_cast<char>(e + 32) : e;
            if (i >= length || lower != static_cast<unsigned char>(expectedLower)) same = false;
        }
        return ok_ && same && i == length;
    }

    // Items start on a 4-byte boundary.
    void Align() {
        while ((at_ - start_) % 4 != 0) {
            if (at_ >= end_) {
                Fail();
                return;
            }
            ++at_;
        }
    }

private:
    ::WORD Fail() {
        ok_ = false;
        at_ = end_;
        return 0;
    }

    const ::BYTE* start_;
    const ::BYTE* at_;
    const ::BYTE* end_;
    bool ok_ = true;
};

// Predefined control classes in a resource: 0x80 button, 0x81 edit, 0x82 static.
bool ControlClass(TemplateReader& reader, ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::DefPushButton: return reader.ClassName("Button", 0x80);
        case ControlKind::Edit: return reader.ClassName("Edit", 0x81);
        case ControlKind::Static: return reader.ClassName("Static", 0x82);
    }
    return false;
}

bool MatchesClassAndTitle(const ::BYTE* data, ::DWORD size, const DialogTemplate& dialog) {
    TemplateReader reader(data, size);
    reader.Dword();  // style
    reader.Dword();  // extended style
    reader.Word();   // item count
    for (int i = 0; i < 4; ++i) reader.Short();
    if (!reader.NameOrOrdinal(nullptr, -1)) return false;  // no menu
    return reader.ClassName(dialog.className, -1) && reader.Text(dialog.title);
}

bool MatchesWhole(const ::BYTE* data, ::DWORD size, const DialogTemplate& dialog) {
    TemplateReader reader(data, size);
    const ::DWORD style = reader.Dword();
    if ((style & ~static_cast<::DWORD>(DS_SETFONT)) != dialog.style || !(style & DS_SETFONT))
        return false;
    if (reader.Dword() != 0) return false;
    if (reader.Word() != dialog.controlCount) return false;
    if (reader.Short() != dialog.x || reader.Short() != dialog.y || reader.Short() != dialog.cx ||
        reader.Short() != dialog.cy)
        return false;
    if (!reader.NameOrOrdinal(nullptr, -1) || !reader.ClassName(dialog.className, -1) ||
        !reader.Text(dialog.title))
        return false;
    if (reader.Word() != dialog.fontPoints || !reader.Text(dialog.fontName)) return false;

    for (int i = 0; i < dialog.controlCount; ++i) {
        const DialogControl& control = dialog.controls[i];
        reader.Align();
        const ::DWORD controlStyle = reader.Dword();
        if ((controlStyle & ~static_cast<::DWORD>(WS_CHILD)) != control.style ||
            !(controlStyle & WS_CHILD))
            return false;
        if (reader.Dword() != 0) return false;
        if (reader.Short() != control.x || reader.Short() != control.y ||
            reader.Short() != control.cx || reader.Short() != control.cy)
            return false;
        if (reader.Short() != static_cast<short>(control.id)) return false;
        if (!ControlClass(reader, control.kind)) return false;
        if (!reader.NameOrOrdinal(control.text, -1)) return false;
        if (reader.Word() != 0) return false;  // no creation data
    }
    return reader.Ok();
}

struct Search {
    const DialogTemplate* dialog;
    const ::BYTE* data;
    ::DWORD size;
};

::BOOL CALLBACK FindDialogResource(::HMODULE module, LPCSTR /*type*/, LPSTR name,
                                   LONG_PTR param) {
    Search& search = *reinterpret_cast<Search*>(param);
    ::HRSRC resource = ::FindResourceA(module, name, reinterpret_cast<LPCSTR>(RT_DIALOG));
    if (resource == nullptr) return 1;
    ::HGLOBAL loaded = ::LoadResource(module, resource);
    const ::DWORD size = ::SizeofResource(module, resource);
    const auto* data = static_cast<const ::BYTE*>(loaded != nullptr ? ::LockResource(loaded)
                                                                    : nullptr);
    if (data == nullptr || !MatchesClassAndTitle(data, size, *search.dialog)) return 1;
    search.data = data;
    search.size = size;
    return 0;
}

// The shell's calls need COM on this thread; the program never asks for it.
void InitializeCom() {
    static const ::HRESULT result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)result;
}

::HWND RealWindow(HWND window) { return reinterpret_cast<::HWND>(window); }

}  // namespace

HWND CreateDialogIndirectParamA(HINSTANCE instance, const DialogTemplate* dialog, HWND parent,
                                DLGPROC procedure, LPARAM param) {
    // The dialog's messages go to its class's window procedure: a dialog
    // procedure, which would be called with the real types, is not taken.
    if (dialog == nullptr || procedure != nullptr) return nullptr;
    ::HMODULE module = instance != nullptr ? reinterpret_cast<::HMODULE>(instance)
                                           : ::GetModuleHandleA(nullptr);
    Search search = {dialog, nullptr, 0};
    ::EnumResourceNamesA(module, reinterpret_cast<LPCSTR>(RT_DIALOG), FindDialogResource,
                         reinterpret_cast<LONG_PTR>(&search));
    if (search.data == nullptr || !MatchesWhole(search.data, search.size, *dialog)) return nullptr;
    return reinterpret_cast<HWND>(::CreateDialogIndirectParamA(
        reinterpret_cast<::HINSTANCE>(module), reinterpret_cast<LPCDLGTEMPLATEA>(search.data),
        RealWindow(parent), nullptr, param));
}

UINT GetDlgItemTextA(HWND dialog, int id, char* buffer, int size) {
    return ::GetDlgItemTextA(RealWindow(dialog), id, buffer, size);
}

BOOL SetDlgItemTextA(HWND dialog, int id, const char* text) {
    return ::SetDlgItemTextA(RealWindow(dialog), id, text);
}

HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* out) {
    InitializeCom();
    ::LPITEMIDLIST list = nullptr;
    const ::HRESULT result = ::SHGetSpecialFolderLocation(RealWindow(owner), folder, &list);
    if (out != nullptr) *out = SUCCEEDED(result) ? reinterpret_cast<LPITEMIDLIST>(list) : nullptr;
    return result;
}

// A callback would be called with the real types: the seam's browser takes none.
LPITEMIDLIST SHBrowseForFolderA(BROWSEINFOA* info) {
    if (info == nullptr || info->lpfn != nullptr) return nullptr;
    InitializeCom();
    ::BROWSEINFOA real = {};
    real.hwndOwner = RealWindow(info->hwndOwner);
    real.pidlRoot = reinterpret_cast<::LPCITEMIDLIST>(info->pidlRoot);
    real.pszDisplayName = info->pszDisplayName;
    real.lpszTitle = info->lpszTitle;
    real.ulFlags = info->ulFlags;
    real.lpfn = nullptr;
    real.lParam = info->lParam;
    ::LPITEMIDLIST chosen = ::SHBrowseForFolderA(&real);
    info->iImage = real.iImage;
    return reinterpret_cast<LPITEMIDLIST>(chosen);
}

BOOL SHGetPathFromIDListA(LPITEMIDLIST list, char* path) {
    return ::SHGetPathFromIDListA(reinterpret_cast<::LPCITEMIDLIST>(list), path);
}

void CoTaskMemFree(void* memory) { ::CoTaskMemFree(memory); }

}  // namespace pf
