// The executable mode of a file, for the programs the installer unpacks.
#include <sys/stat.h>

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
    return chmod(path.c_str(), executable ? 0755 : 0644) == 0 ? TRUE : FALSE;
}

}  // namespace pf
