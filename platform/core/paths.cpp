// Program paths as host paths.
#include <string>

#include "core_internal.h"

namespace pf::core {

std::string HostPath(const char* name) {
    std::string path;
    if (name == nullptr) return path;
    for (const char* c = name; *c != 0; ++c) {
        const bool separator = *c == '\\' || *c == '/';
        if (separator) {
            if (!path.empty() && path.back() == '/') continue;
            path += '/';
        } else {
            path += *c;
        }
    }
    return path;
}

}  // namespace pf::core
