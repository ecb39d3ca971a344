// Reading the install archive, entry by entry, within the image in memory.
#include "install/archive.h"

#include "install/install_log.h"
#include "install/strings.h"

namespace installer {
namespace {

// Copies the NUL-terminated string at the reader's position into out (at most
// kNameSize bytes with the NUL) and advances past it. False when the image
// ends before the NUL or the string is too long; out is then empty, never a
// run of bytes without its NUL.
bool ReadName(ArchiveReader& reader, char* out) {
    pf::DWORD at = reader.position;
    for (pf::DWORD n = 0; n < kNameSize; ++n, ++at) {
        if (at >= reader.size) break;
        out[n] = static_cast<char>(reader.data[at]);
        if (out[n] == 0) {
            reader.position = at + 1;
            return true;
        }
    }
    out[0] = 0;
    return false;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

void OpenArchive(ArchiveReader& reader, const void* data, pf::DWORD size) {
    reader.data = static_cast<const pf::BYTE*>(data);
    reader.size = size;
    reader.position = 0;
}

EntryKind NextArchiveEntry(ArchiveReader& reader, ArchiveEntry& entry) {
    entry.kind = EntryKind::Broken;
    entry.name[0] = 0;
    entry.size = 0;
    entry.content = nullptr;

    const pf::DWORD start = reader.position;
    if (!ReadName(reader, entry.name)) return EntryKind::Broken;

    if (StringsEqual(entry.name, kEndOfDataFile)) {
        reader.position = start;  // stays at the end entry
        entry.kind = EntryKind::End;
        return entry.kind;
    }
    if (StringsEqual(entry.name, kChangeDirectory)) {
        if (!ReadName(reader, entry.name)) {
            reader.position = start;
            entry.name[0] = 0;
            return EntryKind::Broken;
        }
        entry.kind = EntryKind::Directory;
        return entry.kind;
    }

    // A file: the size follows the name's NUL directly, then the content.
    const pf::DWORD left = reader.size - reader.position;
    if (left < 4) {
        reader.position = start;
        return EntryKind::Broken;
    }
    const pf::BYTE* p = reader.data + reader.position;
    const pf::DWORD size = static_cast<pf::DWORD>(p[0]) | static_cast<pf::DWORD>(p[1]) << 8 |
                           static_cast<pf::DWORD>(p[2]) << 16 | static_cast<pf::DWORD>(p[3]) << 24;
    if (size > left - 4) {
        reader.position = start;
        return EntryKind::Broken;
    }
    entry.size = size;
    entry.content = p + 4;
    reader.position += 4 + size;
    entry.kind = EntryKind::File;
    return entry.kind;
}

bool IsSafeFileName(const char* name) {
    if (name[0] == 0 || StringsEqual(name, ".") || StringsEqual(name, "..")) return false;
    for (const char* c = name; *c != 0; ++c)
        if (IsSeparator(*c) || *c == ':') return false;
    return !IsLogMarker(name) && !StringsEqual(name, kLogFileName);
}

bool IsSafeDirectoryName(const char* name) {
    if (name[0] == 0 || IsSeparator(name[0])) return false;
    for (const char* c = name; *c != 0; ++c)
        if (*c == ':') return false;
    const char* component = name;
    for (const char* c = name;; ++c) {
        if (*c != 0 && !IsSeparator(*c)) continue;
        const long length = c - component;
        if (length == 0) return false;
        if (length == 1 && component[0] == '.') return false;
        if (length == 2 && component[0] == '.' && component[1] == '.') return false;
        if (*c == 0) return true;
        component = c + 1;
    }
}

bool IsValidArchive(const void* data, pf::DWORD size) {
    ArchiveReader reader;
    OpenArchive(reader, data, size);
    ArchiveEntry entry;
    char directories[kMaxLoggedDirectories][kNameSize];
    int directoryCount = 0;
    for (;;) {
        switch (NextArchiveEntry(reader, entry)) {
            case EntryKind::End: return true;
            case EntryKind::Broken: return false;
            case EntryKind::Directory: {
                if (!IsSafeDirectoryName(entry.name)) return false;
                if (directoryCount == kMaxLoggedDirectories) return false;
                // The parent of a nested name is an earlier entry's name.
                pf::DWORD cut = 0;
                for (pf::DWORD i = 0; entry.name[i] != 0; ++i)
                    if (IsSeparator(entry.name[i])) cut = i;
                if (cut > 0) {
                    const char separator = entry.name[cut];
                    entry.name[cut] = 0;
                    bool created = false;
                    for (int d = 0; d < directoryCount && !created; ++d)
                        created = StringsEqual(directories[d], entry.name);
                    if (!created) return false;
                    entry.name[cut] = separator;
                }
                CopyString(directories[directoryCount++], entry.name);
                break;
            }
            case EntryKind::File:
                if (!IsSafeFileName(entry.name)) return false;
                break;
        }
    }
}

}  // namespace installer
