// Reading an input file whole into memory.
#include "install/whole_file.h"

#include "pf/files.h"

namespace installer {

pf::HGLOBAL ReadWholeFile(const char* name, void** image, pf::DWORD* size) {
    *image = nullptr;
    *size = 0;
    pf::HANDLE file = pf::CreateFileA(name, pf::GENERIC_READ, 0, nullptr, pf::OPEN_EXISTING,
                                      pf::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == pf::INVALID_HANDLE_VALUE) return nullptr;
    const pf::DWORD length = pf::GetFileSize(file, nullptr);
    if (length == pf::INVALID_FILE_SIZE) {
        pf::CloseHandle(file);
        return nullptr;
    }
    pf::HGLOBAL memory = pf::GlobalAlloc(pf::GMEM_FIXED, length);
    if (memory == nullptr) {
        pf::CloseHandle(file);
        return nullptr;
    }
    void* bytes = pf::GlobalLock(memory);
    pf::DWORD read = 0;
    if (bytes != nullptr) pf::ReadFile(file, bytes, length, &read, nullptr);
    pf::CloseHandle(file);
    if (bytes == nullptr || read < length) {
        pf::GlobalFree(memory);
        return nullptr;
    }
    *image = bytes;
    *size = length;
    return memory;
}

}  // namespace installer
