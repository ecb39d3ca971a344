// The registry: advapi32 itself. The seam's root handles carry the real
// roots' values, so every key handle passes through unchanged.
#include "win32.h"

namespace pf {
namespace {

::HKEY Real(HKEY key) { return reinterpret_cast<::HKEY>(key); }

}  // namespace

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM access, HKEY* out) {
    ::HKEY opened = nullptr;
    const LONG result = ::RegOpenKeyExA(Real(key), subKey, options, access, &opened);
    if (out != nullptr) *out = result == ERROR_SUCCESS ? reinterpret_cast<HKEY>(opened) : nullptr;
    return result;
}

LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, const char* className,
                     DWORD options, REGSAM access, void* security, HKEY* out,
                     DWORD* disposition) {
    ::HKEY created = nullptr;
    ::DWORD how = 0;
    // The class string is never written through; the real call takes it as
    // a writable pointer only for its old declaration's sake.
    const LONG result = ::RegCreateKeyExA(Real(key), subKey, reserved, const_cast<char*>(className),
                                          options, access,
                                          static_cast<LPSECURITY_ATTRIBUTES>(security), &created,
                                          &how);
    if (out != nullptr) *out = result == ERROR_SUCCESS ? reinterpret_cast<HKEY>(created) : nullptr;
    if (disposition != nullptr && result == ERROR_SUCCESS) *disposition = how;
    return result;
}

LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type,
                    const BYTE* data, DWORD size) {
    return ::RegSetValueExA(Real(key), valueName, reserved, type, data, size);
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* /*reserved: always null*/,
                      DWORD* type, BYTE* data, DWORD* size) {
    ::DWORD realType = 0;
    ::DWORD realSize = size != nullptr ? *size : 0;
    const LONG result =
        ::RegQueryValueExA(Real(key), valueName, nullptr, &realType, data,
                           size != nullptr ? &realSize : nullptr);
    if (type != nullptr) *type = realType;
    if (size != nullptr) *size = realSize;
    return result;
}

LONG RegCloseKey(HKEY key) { return ::RegCloseKey(Real(key)); }

LONG RegDeleteKeyA(HKEY key, const char* subKey) { return ::RegDeleteKeyA(Real(key), subKey); }

}  // namespace pf
