// The install archive "data.1": a sequence of entries, each opened by a
// NUL-terminated name. A file entry is its name, a 32-bit little-endian size N
// and N content bytes; "CHANGE_DIRECTORY" and a directory name switch the
// target directory; "END_OF_DATA_FILE" ends the entries (bytes after it are
// ignored). Nothing is read past the end of the image in memory.
#pragma once

#include "pf/types.h"

namespace installer {

constexpr const char* kChangeDirectory = "CHANGE_DIRECTORY";
constexpr const char* kEndOfDataFile = "END_OF_DATA_FILE";
// Every name, and every path built from one, fits in this many bytes with its NUL.
constexpr pf::DWORD kNameSize = 260;

enum class EntryKind {
    File,       // name, size, content
    Directory,  // name
    End,
    Broken,  // runs past the end of the image, or a name too long
};

struct ArchiveEntry {
    EntryKind kind;
    char name[kNameSize];
    pf::DWORD size;              // file entries
    const pf::BYTE* content;     // file entries: size bytes inside the image
};

struct ArchiveReader {
    const pf::BYTE* data;
    pf::DWORD size;
    pf::DWORD position;
};

void OpenArchive(ArchiveReader& reader, const void* data, pf::DWORD size);
// Reads the next entry and advances past it. After Broken or End the reader
// stays where it is and keeps answering the same.
EntryKind NextArchiveEntry(ArchiveReader& reader, ArchiveEntry& entry);

// Names the installer refuses, whatever the archive says: a file name must be
// one plain component (no "/" or "\", not "", "." or ".."), must not be a
// marker string of the install log (the uninstaller would read it as one) and
// must not be "install.log" (the installer writes it while it installs). A
// directory name must be relative (no leading separator), with no empty, "."
// or ".." component, so that it stays inside the installation folder. No
// name holds a ":": on Windows "C:x" is x in drive C's current folder,
// wherever the installation folder is.
bool IsSafeFileName(const char* name);
bool IsSafeDirectoryName(const char* name);

// Checks a whole archive image: every entry within the image, an end entry,
// every name safe, at most ten directory entries (the uninstaller keeps ten),
// and a directory named inside another one ("Data\Music") only below a
// directory created by an earlier entry, never below something that was
// already in the installation folder (it could be a link leading out of it).
// The installer runs this before it writes anything.
bool IsValidArchive(const void* data, pf::DWORD size);

}  // namespace installer
