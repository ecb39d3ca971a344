// The registry: keys holding REG_SZ values under two roots, kept in one
// per-user store ($VELNORIX_REGISTRY, else $XDG_DATA_HOME/velnorix/registry,
// else ~/.local/share/velnorix/registry). Every change is written beside the
// store and renamed into place, so a crash never leaves it half-written.
//
// Key and value names compare without regard to ASCII case, as on Windows;
// a name keeps the case it was created with. The store always holds the
// roots, "Software" under both, and HKEY_LOCAL_MACHINE's
// "Software\Microsoft\Windows\CurrentVersion\Uninstall"; those cannot be
// deleted. A key with subkeys cannot be deleted (ERROR_ACCESS_DENIED). Only
// REG_SZ values are kept; their bytes are stored exactly as given.
#pragma once

#include "pf/types.h"

namespace pf {

using REGSAM = DWORD;

inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u));
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u));

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_KEY_DELETED = 1018;

constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;
constexpr DWORD REG_SZ = 1;

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM access, HKEY* out);
LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, const char* className,
                     DWORD options, REGSAM access, void* security, HKEY* out,
                     DWORD* disposition);
LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type,
                    const BYTE* data, DWORD size);
// Reads a value; *size is the buffer size in, the value's size out.
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* size);
LONG RegCloseKey(HKEY key);
LONG RegDeleteKeyA(HKEY key, const char* subKey);

}  // namespace pf
