// The install archive: the bytes through the installer's check of a whole
// archive and its entry walker. Every entry must lie inside the image, names
// must end within their 260 bytes, and the walk must move forward to its end.
#include <cstdlib>
#include <cstring>

#include "install/archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const pf::DWORD length = static_cast<pf::DWORD>(size);
    const bool valid = installer::IsValidArchive(data, length);

    installer::ArchiveReader reader;
    installer::ArchiveEntry entry;
    installer::OpenArchive(reader, data, length);
    bool ended = false;
    for (;;) {
        const pf::DWORD before = reader.position;
        const installer::EntryKind kind = installer::NextArchiveEntry(reader, entry);
        if (std::memchr(entry.name, 0, sizeof entry.name) == nullptr) std::abort();
        if (kind == installer::EntryKind::End) {
            ended = true;
            break;
        }
        if (kind == installer::EntryKind::Broken) break;
        if (reader.position <= before || reader.position > length) std::abort();
        if (kind == installer::EntryKind::File &&
            (entry.content < data || entry.content + entry.size > data + size))
            std::abort();
        if (kind == installer::EntryKind::Directory && valid &&
            !installer::IsSafeDirectoryName(entry.name))
            std::abort();
        if (kind == installer::EntryKind::File && valid && !installer::IsSafeFileName(entry.name))
            std::abort();
    }
    // A valid archive walks to its end entry.
    if (valid && !ended) std::abort();
    return 0;
}
