// Reading a data file whole into a temporary buffer, step by step as every
// loader of the game does it.
#include "game/data/loader_file.h"

#include "game/shell/shell.h"
#include "pf/files.h"

bool ReadWholeFile(const char* name, const LoaderMessages& messages, FileBuffer* file) {
    pf::HANDLE handle = pf::CreateFileA(name, pf::GENERIC_READ, 0, nullptr, pf::OPEN_EXISTING,
                                        pf::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == pf::INVALID_HANDLE_VALUE || handle == nullptr) {
        ReportError(messages.open);
        return false;
    }

    const pf::DWORD size = pf::GetFileSize(handle, nullptr);
    if (size == pf::INVALID_FILE_SIZE) {
        pf::CloseHandle(handle);
        ReportError(messages.size);
        return false;
    }

    pf::HGLOBAL memory = pf::GlobalAlloc(pf::GMEM_MOVEABLE, size);
    if (memory == nullptr) {
        pf::CloseHandle(handle);
        ReportError(messages.allocate);
        return false;
    }

    void* bytes = pf::GlobalLock(memory);
    if (bytes == nullptr) {
        pf::CloseHandle(handle);
        pf::GlobalFree(memory);
        ReportError(messages.lock);
        return false;
    }

    pf::DWORD read = 0;
    pf::ReadFile(handle, bytes, size, &read, nullptr);
    pf::CloseHandle(handle);
    if (read != size) {
        pf::GlobalUnlock(memory);
        pf::GlobalFree(memory);
        ReportError(messages.read);
        return false;
    }

    file->memory = memory;
    file->bytes = static_cast<const uint8_t*>(bytes);
    file->size = size;
    return true;
}

void ReleaseFileBuffer(FileBuffer* file) {
    if (file->memory == nullptr) return;
    pf::GlobalUnlock(file->memory);
    pf::GlobalFree(file->memory);
    file->memory = nullptr;
    file->bytes = nullptr;
    file->size = 0;
}
