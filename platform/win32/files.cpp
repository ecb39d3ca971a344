// Files, directories and global memory: kernel32 itself.
#include <cstring>
#include <string>

#include "trace.h"
#include "win32.h"

namespace pf {

HANDLE CreateFileA(const char* name, DWORD access, DWORD shareMode, void* security,
                   DWORD disposition, DWORD flags, HANDLE templateFile) {
    return reinterpret_cast<HANDLE>(::CreateFileA(
        name, access, shareMode, static_cast<LPSECURITY_ATTRIBUTES>(security), disposition, flags,
        reinterpret_cast<::HANDLE>(templateFile)));
}

DWORD GetFileSize(HANDLE file, DWORD* high) {
    ::DWORD realHigh = 0;
    const ::DWORD low = ::GetFileSize(reinterpret_cast<::HANDLE>(file), &realHigh);
    if (high != nullptr) *high = realHigh;
    return low;
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read, void* overlapped) {
    ::DWORD done = 0;
    const ::BOOL ok = ::ReadFile(reinterpret_cast<::HANDLE>(file), buffer, count, &done,
                                 static_cast<LPOVERLAPPED>(overlapped));
    if (read != nullptr) *read = done;
    return ok;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD count, DWORD* written, void* overlapped) {
    ::DWORD done = 0;
    const ::BOOL ok = ::WriteFile(reinterpret_cast<::HANDLE>(file), buffer, count, &done,
                                  static_cast<LPOVERLAPPED>(overlapped));
    if (written != nullptr) *written = done;
    return ok;
}

BOOL CloseHandle(HANDLE file) { return ::CloseHandle(reinterpret_cast<::HANDLE>(file)); }

BOOL DeleteFileA(const char* name) { return ::DeleteFileA(name); }

// Written beside the destination, flushed, then moved over it in one step.
BOOL ReplaceFileAtomically(const char* name, const void* data, DWORD count) {
    if (name == nullptr || name[0] == 0) return FALSE;
    const std::string temporary = std::string(name) + ".new";
    ::HANDLE file = ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == reinterpret_cast<::HANDLE>(INVALID_HANDLE_VALUE)) {
        win32::NoteUnsavedFile(name, ::GetLastError());
        return FALSE;
    }
    ::DWORD written = 0;
    const bool ok = ::WriteFile(file, data, count, &written, nullptr) != 0 && written == count &&
                    ::FlushFileBuffers(file) != 0;
    ::CloseHandle(file);
    if (!ok || ::MoveFileExA(temporary.c_str(), name,
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        win32::NoteUnsavedFile(name, ::GetLastError());
        ::DeleteFileA(temporary.c_str());
        return FALSE;
    }
    return TRUE;
}

// Windows runs any .exe: nothing to mark.
BOOL SetFileExecutable(const char* name) {
    return name != nullptr && ::GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES ? TRUE : FALSE;
}

BOOL CreateDirectoryA(const char* path, void* security) {
    return ::CreateDirectoryA(path, static_cast<LPSECURITY_ATTRIBUTES>(security));
}

BOOL RemoveDirectoryA(const char* path) { return ::RemoveDirectoryA(path); }

BOOL SetCurrentDirectoryA(const char* path) { return ::SetCurrentDirectoryA(path); }

// The current directory resolved, as the file system names it: links and
// junctions followed, every component in its stored case ("c:\games" typed,
// "C:\Games" given back). Windows keeps the directory as it was set, so two
// spellings of one folder, or a link leading out of one, would otherwise
// compare as what they are not. The path as set when it cannot be resolved.
DWORD GetCurrentDirectoryA(DWORD size, char* buffer) {
    char resolved[4 + MAX_PATH + 4];
    ::DWORD length = 0;
    ::HANDLE directory =
        ::CreateFileA(".", 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (directory != reinterpret_cast<::HANDLE>(INVALID_HANDLE_VALUE)) {
        length = ::GetFinalPathNameByHandleA(directory, resolved, sizeof resolved,
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        ::CloseHandle(directory);
    }
    if (length == 0 || length >= sizeof resolved) return ::GetCurrentDirectoryA(size, buffer);

    // "\\?\C:\x" is "C:\x"; "\\?\UNC\server\share" is "\\server\share".
    const char* path = resolved;
    if (std::strncmp(path, "\\\\?\\UNC\\", 8) == 0) {
        path += 6;
        resolved[6] = '\\';
    } else if (std::strncmp(path, "\\\\?\\", 4) == 0) {
        path += 4;
    }
    const DWORD pathLength = static_cast<DWORD>(std::strlen(path));
    if (buffer == nullptr || size <= pathLength) return pathLength + 1;
    std::memcpy(buffer, path, pathLength + 1);
    return pathLength;
}

HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
    return reinterpret_cast<HGLOBAL>(::GlobalAlloc(flags, bytes));
}

void* GlobalLock(HGLOBAL memory) { return ::GlobalLock(reinterpret_cast<::HGLOBAL>(memory)); }

BOOL GlobalUnlock(HGLOBAL memory) { return ::GlobalUnlock(reinterpret_cast<::HGLOBAL>(memory)); }

HGLOBAL GlobalFree(HGLOBAL memory) {
    return reinterpret_cast<HGLOBAL>(::GlobalFree(reinterpret_cast<::HGLOBAL>(memory)));
}

}  // namespace pf
