// The file layer's host differences on Linux and other POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "host.h"

namespace pf::posix {

const int kOpenFlags = O_CLOEXEC;
const int kNoFollow = O_NOFOLLOW;

// Device and inode.
std::string IdOfFile(const std::string& /*path*/, const struct stat& info) {
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

int LinkStat(const std::string& path, struct stat* info) { return ::lstat(path.c_str(), info); }
int MakeDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0755); }
bool Flush(int fd) { return ::fsync(fd) == 0; }

void FlushFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A program here is an ELF image or a script starting with "#!".
bool MarkIfProgram(const std::string& path) {
    // Through a descriptor opened without following a link, so a link put
    // in the file's place never changes the mode of what it points to.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    unsigned char head[4] = {};
    ssize_t got = 0;
    if (ok) {
        do {
            got = ::pread(fd, head, sizeof head, 0);
        } while (got < 0 && errno == EINTR);
        ok = got >= 0;
    }
    const bool elf =
        got == 4 && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F';
    const bool script = got >= 2 && head[0] == '#' && head[1] == '!';
    if (ok && (elf || script)) ok = ::fchmod(fd, 0755) == 0;
    ::close(fd);
    return ok;
}

}  // namespace pf::posix
