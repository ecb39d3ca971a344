// The registry store's file on a POSIX host: "keys.reg" in the registry
// folder ($VELNORIX_REGISTRY, else $XDG_DATA_HOME/velnorix/registry, else
// ~/.local/share/velnorix/registry), under an exclusive lock of "keys.lock"
// beside it; every change is written beside the file, flushed and renamed
// into place.
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "host.h"
#include "registry_file.h"

namespace pf::core {
namespace {

std::string Folder() {
    const char* named = std::getenv("VELNORIX_REGISTRY");
    if (named != nullptr && named[0] != 0) return named;
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') return std::string(data) + "/velnorix/registry";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == 0) {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : "/tmp";
    }
    return std::string(home) + "/.local/share/velnorix/registry";
}

// Creates the folder and its missing parents.
bool MakeFolder(const std::string& folder) {
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat info;
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

RegistryFile::RegistryFile() : folder_(Folder()) {
    if (!MakeFolder(folder_)) return;
    lock_ = open((folder_ + "/keys.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock_ >= 0) {
        while (flock(lock_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
}

RegistryFile::~RegistryFile() {
    if (lock_ >= 0) close(lock_);  // releases the lock
}

std::string RegistryFile::Load() const {
    std::string text;
    const int fd = open((folder_ + "/keys.reg").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return text;
}

bool RegistryFile::Save(const std::string& text) const {
    if (lock_ < 0) return false;
    return posix::WriteFileAtomically(folder_ + "/keys.reg", text.data(), text.size(), 0600);
}

}  // namespace pf::core
