// What differs between the hosts the file layer runs on: Linux and other
// POSIX systems (host_unix.cpp), and Windows through the C runtime's POSIX
// layer, for the headless bench built with mingw-w64 (host_crt.cpp). Each
// build links one of the two.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

namespace pf::posix {

// Flags added to every open: binary, not inherited by child programs.
extern const int kOpenFlags;
// The open flag that refuses a link in the last component (0 where links
// do not exist).
extern const int kNoFollow;

// The identity of an existing file, for sharing (path and stat at hand):
// equal for two names of one file.
std::string IdOfFile(const std::string& path, const struct stat& info);

// stat without following a link in the last component.
int LinkStat(const std::string& path, struct stat* info);
int MakeDirectory(const std::string& path);
// Flushes a written file to the disk.
bool Flush(int fd);
// Makes a rename inside the folder durable.
void FlushFolder(const std::string& folder);

// Writes data to path in one step: a file beside it, flushed, renamed over
// it; an existing file keeps its mode, a new one gets newMode. False (and
// nothing changed) on any failure.
bool WriteFileAtomically(const std::string& path, const void* data, size_t count, int newMode);

// Gives a plain file that is a program of this host the mode that lets the
// host run it; false when the path is not a plain file.
bool MarkIfProgram(const std::string& path);

}  // namespace pf::posix
