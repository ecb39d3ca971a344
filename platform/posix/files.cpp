// Files and directories over POSIX calls.
//
// Program paths use "\" or "/" and may double them ("Data//hiscore.dat");
// core::HostPath turns them into host paths. Sharing is enforced within the
// process as Windows does it: a file open with some access and share mode
// can be opened again only with an access the first open shares, and only
// sharing the access the first open holds. Deleting needs every open to
// share deletion.
//
// On Windows (the headless bench built with mingw-w64) the same code runs on
// the C runtime's POSIX layer; the few differences are in host.h.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <unordered_set>

#include "backend.h"
#include "core_internal.h"
#include "host.h"
#include "pf/files.h"

namespace pf {

using FileId = std::string;

struct FileObject {
    int fd = -1;
    DWORD access = 0;
    DWORD share = 0;
    FileId id;
};

namespace {

std::unordered_set<FileObject*> OpenFiles;

bool Live(HANDLE file) {
    return file != nullptr && file != INVALID_HANDLE_VALUE && OpenFiles.count(file) != 0;
}

// May a file held by the open files be opened with access and share?
bool SharingAllows(const FileId& id, DWORD access, DWORD share) {
    for (const FileObject* open : OpenFiles) {
        if (open->id != id) continue;
        if ((access & GENERIC_READ) != 0 && (open->share & FILE_SHARE_READ) == 0) return false;
        if ((access & GENERIC_WRITE) != 0 && (open->share & FILE_SHARE_WRITE) == 0) return false;
        if ((open->access & GENERIC_READ) != 0 && (share & FILE_SHARE_READ) == 0) return false;
        if ((open->access & GENERIC_WRITE) != 0 && (share & FILE_SHARE_WRITE) == 0) return false;
    }
    return true;
}

bool DeletionAllowed(const std::string& path) {
    struct stat info {};
    if (posix::LinkStat(path, &info) != 0) return true;  // the unlink reports it
    const FileId id = posix::IdOfFile(path, info);
    for (const FileObject* open : OpenFiles)
        if (open->id == id && (open->share & FILE_SHARE_DELETE) == 0)
            return false;
    return true;
}

// Moves count bytes by steps of the host's read or write: step(at, left)
// moves up to left bytes at offset at of the caller's buffer. It ends when
// all are moved, when a step moves none (the end of a file) or when one fails
// (an interrupted step is taken again). *moved gets the bytes moved; false
// when a step failed.
template <typename Step>
bool MoveBytes(size_t count, size_t* moved, Step step) {
    size_t total = 0;
    bool ok = true;
    while (total < count) {
        const ssize_t done = step(total, count - total);
        if (done < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (done == 0) break;
        total += static_cast<size_t>(done);
    }
    *moved = total;
    return ok;
}

bool WriteAll(int fd, const uint8_t* data, size_t count) {
    size_t moved = 0;
    return MoveBytes(count, &moved,
                     [&](size_t at, size_t left) { return ::write(fd, data + at, left); }) &&
           moved == count;
}

std::string DirectoryOf(const std::string& path) {
    const size_t cut = path.rfind('/');
    if (cut == std::string::npos) return ".";
    if (cut == 0) return "/";
    return path.substr(0, cut);
}

}  // namespace

namespace posix {

bool WriteFileAtomically(const std::string& path, const void* data, size_t count, int newMode) {
    struct stat existing {};
    mode_t mode = static_cast<mode_t>(newMode);
    if (::stat(path.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) return false;
        mode = existing.st_mode & 07777;
    }
    const std::string temporary = path + ".tmp-" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | kOpenFlags, mode);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, static_cast<const uint8_t*>(data), count) && Flush(fd);
    ok = ::close(fd) == 0 && ok;
    if (ok) {
        // Replaces an existing file in one step on every host (the C runtime's
        // rename on Windows refuses an existing destination).
        std::error_code error;
        std::filesystem::rename(temporary, path, error);
        ok = !error;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    FlushFolder(DirectoryOf(path));
    return true;
}

}  // namespace posix

HANDLE CreateFileA(const char* name, DWORD access, DWORD shareMode, void* /*security*/,
                   DWORD disposition, DWORD flags, HANDLE /*templateFile*/) {
    int32_t code = 0;
    if (core::FaultDue("CreateFileA", &code)) return INVALID_HANDLE_VALUE;
    const std::string path = core::HostPath(name);
    if (path.empty() || (access & (GENERIC_READ | GENERIC_WRITE)) == 0)
        return INVALID_HANDLE_VALUE;

    int mode = posix::kOpenFlags;
    if ((access & GENERIC_READ) != 0 && (access & GENERIC_WRITE) != 0)
        mode |= O_RDWR;
    else if ((access & GENERIC_WRITE) != 0)
        mode |= O_WRONLY;
    else
        mode |= O_RDONLY;

    // Without following a link in the last component, a link there is
    // refused whatever it points to (O_NOFOLLOW makes the open fail too, so
    // a link put there after this look is refused as well).
    const bool noFollow = (flags & FILE_FLAG_OPEN_REPARSE_POINT) != 0;
    if (noFollow) mode |= posix::kNoFollow;
    struct stat existing {};
    const bool exists =
        (noFollow ? posix::LinkStat(path, &existing) : ::stat(path.c_str(), &existing)) == 0;
    if (exists && !S_ISREG(existing.st_mode)) return INVALID_HANDLE_VALUE;  // directories too
    if (exists && !SharingAllows(posix::IdOfFile(path, existing), access, shareMode))
        return INVALID_HANDLE_VALUE;

    bool truncate = false;
    switch (disposition) {
        case OPEN_EXISTING:
            if (!exists) return INVALID_HANDLE_VALUE;
            break;
        case CREATE_ALWAYS:
            mode |= O_CREAT;
            truncate = true;
            break;
        case CREATE_NEW:
            if (exists) return INVALID_HANDLE_VALUE;
            mode |= O_CREAT | O_EXCL;
            break;
        case OPEN_ALWAYS:
            mode |= O_CREAT;
            break;
        case TRUNCATE_EXISTING:
            if (!exists || (access & GENERIC_WRITE) == 0) return INVALID_HANDLE_VALUE;
            truncate = true;
            break;
        default:
            return INVALID_HANDLE_VALUE;
    }
    if (truncate && (access & GENERIC_WRITE) != 0) mode |= O_TRUNC;

    const int fd = ::open(path.c_str(), mode, 0644);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return INVALID_HANDLE_VALUE;
    }
    auto* file = new FileObject;
    file->fd = fd;
    file->access = access;
    file->share = shareMode;
    file->id = posix::IdOfFile(path, info);
    OpenFiles.insert(file);
    if ((access & GENERIC_WRITE) != 0) core::CurrentBackend().FileWritten(path.c_str());
    return file;
}

DWORD GetFileSize(HANDLE file, DWORD* high) {
    int32_t code = 0;
    if (core::FaultDue("GetFileSize", &code)) return INVALID_FILE_SIZE;
    if (!Live(file)) return INVALID_FILE_SIZE;
    struct stat info {};
    if (::fstat(file->fd, &info) != 0) return INVALID_FILE_SIZE;
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    if (high != nullptr) {
        *high = static_cast<DWORD>(size >> 32);
    } else if (size >= INVALID_FILE_SIZE) {
        return INVALID_FILE_SIZE;  // cannot be told in 32 bits
    }
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read, void* /*overlapped*/) {
    if (read != nullptr) *read = 0;
    int32_t code = 0;
    if (core::FaultDue("ReadFile", &code)) return FALSE;
    if (!Live(file) || (file->access & GENERIC_READ) == 0 || (buffer == nullptr && count > 0))
        return FALSE;
    auto* bytes = static_cast<uint8_t*>(buffer);
    size_t moved = 0;
    const bool ok = MoveBytes(count, &moved, [&](size_t at, size_t left) {
        return ::read(file->fd, bytes + at, left);
    });
    if (read != nullptr) *read = static_cast<DWORD>(moved);
    return ok ? TRUE : FALSE;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD count, DWORD* written,
               void* /*overlapped*/) {
    if (written != nullptr) *written = 0;
    int32_t code = 0;
    if (core::FaultDue("WriteFile", &code)) return FALSE;
    if (!Live(file) || (file->access & GENERIC_WRITE) == 0 || (buffer == nullptr && count > 0))
        return FALSE;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    size_t moved = 0;
    const bool ok = MoveBytes(count, &moved, [&](size_t at, size_t left) {
        return ::write(file->fd, bytes + at, left);
    });
    if (written != nullptr) *written = static_cast<DWORD>(moved);
    return ok ? TRUE : FALSE;
}

BOOL CloseHandle(HANDLE file) {
    int32_t code = 0;
    if (core::FaultDue("CloseHandle", &code)) return FALSE;
    if (!Live(file)) return FALSE;
    OpenFiles.erase(file);
    const int result = ::close(file->fd);
    delete file;
    return result == 0 ? TRUE : FALSE;
}

BOOL DeleteFileA(const char* name) {
    int32_t code = 0;
    if (core::FaultDue("DeleteFileA", &code)) return FALSE;
    const std::string path = core::HostPath(name);
    if (path.empty() || !DeletionAllowed(path)) return FALSE;
    struct stat info {};
    if (posix::LinkStat(path, &info) != 0 || S_ISDIR(info.st_mode)) return FALSE;
    return ::unlink(path.c_str()) == 0 ? TRUE : FALSE;
}

BOOL ReplaceFileAtomically(const char* name, const void* data, DWORD count) {
    int32_t code = 0;
    if (core::FaultDue("ReplaceFileAtomically", &code)) return FALSE;
    const std::string path = core::HostPath(name);
    if (path.empty() || path.back() == '/' || (data == nullptr && count > 0)) return FALSE;
    if (!DeletionAllowed(path)) return FALSE;  // an open without sharing holds it
    if (!posix::WriteFileAtomically(path, data, count, 0644)) return FALSE;
    core::CurrentBackend().FileWritten(path.c_str());
    return TRUE;
}

BOOL SetFileExecutable(const char* name) {
    int32_t code = 0;
    if (core::FaultDue("SetFileExecutable", &code)) return FALSE;
    if (name == nullptr || name[0] == 0) return FALSE;
    return posix::MarkIfProgram(core::HostPath(name)) ? TRUE : FALSE;
}

BOOL CreateDirectoryA(const char* path, void* /*security*/) {
    int32_t code = 0;
    if (core::FaultDue("CreateDirectoryA", &code)) return FALSE;
    const std::string host = core::HostPath(path);
    if (host.empty()) return FALSE;
    return posix::MakeDirectory(host) == 0 ? TRUE : FALSE;
}

BOOL RemoveDirectoryA(const char* path) {
    int32_t code = 0;
    if (core::FaultDue("RemoveDirectoryA", &code)) return FALSE;
    const std::string host = core::HostPath(path);
    if (host.empty()) return FALSE;
    return ::rmdir(host.c_str()) == 0 ? TRUE : FALSE;
}

BOOL SetCurrentDirectoryA(const char* path) {
    int32_t code = 0;
    if (core::FaultDue("SetCurrentDirectoryA", &code)) return FALSE;
    const std::string host = core::HostPath(path);
    if (host.empty()) return FALSE;
    return ::chdir(host.c_str()) == 0 ? TRUE : FALSE;
}

DWORD GetCurrentDirectoryA(DWORD size, char* buffer) {
    int32_t code = 0;
    if (core::FaultDue("GetCurrentDirectoryA", &code)) return 0;
    char here[PATH_MAX];
    if (::getcwd(here, sizeof here) == nullptr) return 0;
    const size_t length = std::strlen(here);
    if (buffer == nullptr || size <= length) return static_cast<DWORD>(length + 1);
    std::memcpy(buffer, here, length + 1);
    return static_cast<DWORD>(length);
}

namespace core {

void FileCounts(ResourceCounts& counts) { counts.openFiles = static_cast<unsigned>(OpenFiles.size()); }

void ResetFiles() {
    for (FileObject* file : OpenFiles) {
        ::close(file->fd);
        delete file;
    }
    OpenFiles.clear();
}

}  // namespace core
}  // namespace pf
