// The executable mode of a file, for the programs the installer unpacks.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "backend.h"
#include "core_internal.h"
#include "pf/files.h"

namespace pf {

BOOL SetFileExecutable(const char* name, BOOL executable) {
    int32_t code = 0;
    if (core::FaultDue("SetFileExecutable", &code)) return FALSE;
    if (name == nullptr || name[0] == 0) return FALSE;
    const std::string path = core::HostPath(name);
#ifdef _WIN32
    // Windows runs any program and has no mode to set: a plain file is all
    // that is asked for.
    (void)executable;
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? TRUE : FALSE;
#else
    // Through a descriptor opened without following a link, so a link put
    // in the file's place never changes the mode of what it points to.
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return FALSE;
    struct stat info {};
    const bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                    fchmod(fd, executable ? 0755 : 0644) == 0;
    close(fd);
    return ok ? TRUE : FALSE;
#endif
}

}  // namespace pf
