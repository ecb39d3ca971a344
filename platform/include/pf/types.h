// Basic types of the platform seam. The programs are written against these
// Windows-shaped types so that every call keeps its designed arguments and
// results; the backends give them meaning on the host system.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pf {

using BOOL = int32_t;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using HRESULT = int32_t;
using ATOM = uint16_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// Opaque handles. Each is owned by the platform layer; the programs only pass
// them back.
struct WindowObject;
struct InstanceObject;
struct FileObject;
struct MemoryObject;
struct KeyObject;
struct ItemListObject;

using HWND = WindowObject*;
using HINSTANCE = InstanceObject*;
using HANDLE = FileObject*;
using HGLOBAL = MemoryObject*;
using HKEY = KeyObject*;
using HICON = void*;
using HCURSOR = void*;
using HBRUSH = void*;
using HMENU = void*;
using HGDIOBJ = void*;

struct GUID {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.data4[i] != b.data4[i]) return false;
    return true;
}

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct POINT {
    LONG x;
    LONG y;
};

// Generic failure, returned by any operation that fails without a named code.
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);

}  // namespace pf
