#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "game/display/display.h"
#include "game/shell/record.h"
#include "pf/ddraw.h"
#include "platform/core/backend.h"

namespace vxfuzz {
namespace {

std::string* Folder = nullptr;

void RemoveSandbox() {
    if (Folder == nullptr) return;
    std::error_code error;
    std::filesystem::remove_all(*Folder, error);
}

}  // namespace

const std::string& Sandbox() {
    if (Folder != nullptr) return *Folder;
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("vx-fuzz-" + std::to_string(::getpid()));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path / "Data");
    std::filesystem::create_directories(path / "registry");
    Folder = new std::string(path.string());
    if (::chdir(Folder->c_str()) != 0) std::abort();
    ::setenv("VELNORIX_REGISTRY", (path / "registry").c_str(), 1);
    std::atexit(RemoveSandbox);
    return *Folder;
}

void WriteFile(const char* path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

void SetUpSheet() {
    pf::core::ResetCore();
    Record = ProgramRecord{};
    if (pf::DirectDrawCreate(nullptr, &DDrawFirst, nullptr) != pf::DD_OK) std::abort();
    if (pf::DirectDraw_QueryInterface(DDrawFirst, pf::IID_IDirectDraw2, &DDraw) != pf::DD_OK)
        std::abort();
    pf::DirectDraw_Release(DDrawFirst);
    DDrawFirst = nullptr;
    pf::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = pf::DDSD_CAPS | pf::DDSD_HEIGHT | pf::DDSD_WIDTH;
    desc.ddsCaps.dwCaps = pf::DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = ScreenWidth;
    desc.dwHeight = ScreenHeight;
    if (pf::DirectDraw_CreateSurface(DDraw, &desc, &OffscreenSurface, nullptr) != pf::DD_OK ||
        pf::DirectDraw_CreateSurface(DDraw, &desc, &BackBuffer, nullptr) != pf::DD_OK)
        std::abort();
    pf::DDCOLORKEY key = {0, 0};
    pf::Surface_SetColorKey(OffscreenSurface, pf::DDCKEY_SRCBLT, &key);
    if (LockOffscreen() != pf::DD_OK) std::abort();
}

void CheckNothingHeld(const char* what) {
    const pf::core::ResourceCounts counts = pf::core::CurrentResourceCounts();
    if (counts.openFiles != 0 || counts.liveBlocks != 0) {
        std::fprintf(stderr, "%s: %u open files and %u memory blocks left\n", what,
                     counts.openFiles, counts.liveBlocks);
        std::abort();
    }
}

}  // namespace vxfuzz
