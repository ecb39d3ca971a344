// Screenshot: the back buffer being composed, as "Screen001.raw" in the
// working directory: 600 rows of 800 pixels, 3 bytes each (red, green, blue),
// no header. Every failure ends the capture silently.
#include "game/display/display.h"
#include "pf/files.h"

namespace {

constexpr pf::DWORD ShotBytes = ScreenWidth * ScreenHeight * 3;  // 1,440,000
constexpr pf::LONG PackedPitch = ScreenWidth * 2;

// Locks the whole back buffer, waiting out a busy blitter; on success sets
// BackBufferBits and *pitch (bytes per row).
pf::HRESULT LockBackBufferRows(pf::LONG* pitch) {
    return LockWholeSurface(BackBuffer, &BackBufferBits, pitch);
}

// The 5-6-5 pixels, each colour in the top bits of its byte.
void ConvertRows(const uint8_t* rows, pf::LONG pitch, uint8_t* out) {
    for (int row = 0; row < ScreenHeight; ++row) {
        const uint16_t* pixels = reinterpret_cast<const uint16_t*>(rows + row * pitch);
        for (int column = 0; column < ScreenWidth; ++column) {
            const uint16_t p = pixels[column];
            *out++ = static_cast<uint8_t>((p >> 8) & 0xF8);
            *out++ = static_cast<uint8_t>(((p >> 5) & 0x3F) << 2);
            *out++ = static_cast<uint8_t>((p & 0x1F) << 3);
        }
    }
}

void ReleaseBuffer(pf::HGLOBAL memory) {
    pf::GlobalUnlock(memory);
    pf::GlobalFree(memory);
}

}  // namespace

pf::HRESULT LockBackBuffer() {
    pf::LONG pitch = 0;
    return LockBackBufferRows(&pitch);
}

void SaveScreenshot() {
    pf::LONG pitch = 0;
    if (LockBackBufferRows(&pitch) != pf::DD_OK) return;
    // Rows are read at the lock's pitch; a lock that does not describe 800
    // whole pixels per row is not read at all.
    if (BackBufferBits == nullptr || pitch < PackedPitch) {
        UnlockBackBuffer();
        return;
    }

    pf::HGLOBAL memory = pf::GlobalAlloc(pf::GMEM_MOVEABLE, ShotBytes);
    if (memory == nullptr) {
        UnlockBackBuffer();
        return;
    }
    auto* bytes = static_cast<uint8_t*>(pf::GlobalLock(memory));
    if (bytes == nullptr) {
        UnlockBackBuffer();
        pf::GlobalFree(memory);
        return;
    }

    ConvertRows(reinterpret_cast<const uint8_t*>(BackBufferBits), pitch, bytes);
    UnlockBackBuffer();

    pf::HANDLE file = pf::CreateFileA("Screen001.raw", pf::GENERIC_WRITE, 0, nullptr,
                                      pf::CREATE_ALWAYS, pf::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == pf::INVALID_HANDLE_VALUE) {
        ReleaseBuffer(memory);
        return;
    }
    pf::DWORD written = 0;
    pf::WriteFile(file, bytes, ShotBytes, &written, nullptr);  // a short write leaves a short file
    pf::CloseHandle(file);
    ReleaseBuffer(memory);
}
