// The file layer's host differences on Windows, where the headless bench
// built with mingw-w64 runs on the C runtime's POSIX layer.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "host.h"

namespace pf::posix {

// Binary mode (no newline translation); handles are not inherited.
const int kOpenFlags = O_BINARY | O_NOINHERIT;
// No symbolic links to tell apart.
const int kNoFollow = 0;

// The C runtime gives no inode numbers: a file is known by its full path,
// compared without case as Windows names are.
std::string IdOfFile(const std::string& path, const struct stat& /*info*/) {
    char full[_MAX_PATH];
    if (::_fullpath(full, path.c_str(), sizeof full) == nullptr) return path;
    std::string id = full;
    for (char& c : id) {
        if (c == '/') c = '\\';
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return id;
}

int LinkStat(const std::string& path, struct stat* info) { return ::stat(path.c_str(), info); }
int MakeDirectory(const std::string& path) { return ::mkdir(path.c_str()); }
bool Flush(int fd) { return ::_commit(fd) == 0; }
// NTFS journals the rename itself.
void FlushFolder(const std::string& /*folder*/) {}

// Windows runs any program and has no mode to set: a plain file is all that
// is asked for.
bool MarkIfProgram(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace pf::posix
