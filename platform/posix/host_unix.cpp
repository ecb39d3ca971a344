// The file layer's host differences on Linux and other POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool MarkExecutable(const std::string& path, bool executable) {
    // Through a descriptor opened without following a link, so a link put
    // in the file's place never changes the mode of what it points to.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    const bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                    ::fchmod(fd, executable ? 0755 : 0644) == 0;
    ::close(fd);
    return ok;
}

}  // namespace pf::posix
