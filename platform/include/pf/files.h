// Files, directories and memory, kernel32-shaped.
//
// Paths may use "\" or "/" as separators (runs of either count as one);
// names are case-sensitive. Opening without sharing is enforced within the
// process: a file held open without sharing cannot be opened again.
#pragma once

#include "pf/types.h"

namespace pf {

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~static_cast<uintptr_t>(0));
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
// CreateFileA flag: a symbolic link in the last component of the name is not
// followed. Windows opens the link itself; here the open fails, so a link
// left where a file is to be written never leads the write elsewhere.
constexpr DWORD FILE_FLAG_OPEN_REPARSE_POINT = 0x00200000;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

constexpr DWORD MAX_PATH = 260;

HANDLE CreateFileA(const char* name, DWORD access, DWORD shareMode, void* security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
DWORD GetFileSize(HANDLE file, DWORD* high);
BOOL ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read, void* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD count, DWORD* written, void* overlapped);
BOOL CloseHandle(HANDLE file);
BOOL DeleteFileA(const char* name);
// Writes the file beside its destination and renames it into place, so the
// destination holds either its old bytes or all the new ones. Not a kernel32
// call: the hall of fame uses it for safe saves (and the core's registry
// store saves its file the same way).
BOOL ReplaceFileAtomically(const char* name, const void* data, DWORD count);

// Lets the host run the file if it is a program of this host, which the
// platform decides: on POSIX systems an ELF image or a "#!" script gets the
// executable mode (0755) and any other file is left as it is; Windows runs
// any .exe and has nothing to mark. Not a kernel32 call: the installer calls
// it for every file it unpacks. Fails unless name is a plain file; a symbolic
// link is not followed.
BOOL SetFileExecutable(const char* name);

BOOL CreateDirectoryA(const char* path, void* security);
BOOL RemoveDirectoryA(const char* path);
BOOL SetCurrentDirectoryA(const char* path);
// Returns the length written (without NUL), or the size needed when the
// buffer is too small, or 0 on failure.
DWORD GetCurrentDirectoryA(DWORD size, char* buffer);

HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
void* GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);
HGLOBAL GlobalFree(HGLOBAL memory);  // null on success

}  // namespace pf
