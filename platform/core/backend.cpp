// Backend selection, the plain backend used when none is installed, and the
// reset of the whole core.
#include "backend.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "core_internal.h"
#include "pf/window.h"

namespace pf::core {
namespace {

// Real monotonic milliseconds, no display, no keyboard, message boxes on
// standard error, silent audio.
class PlainBackend final : public Backend {
public:
    DWORD Ticks(TickReason /*reason*/) override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<DWORD>(
            std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }

    int MessageBox(const char* text, const char* caption, UINT /*type*/) override {
        std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "",
                     text != nullptr ? text : "");
        return IDOK;
    }
};

PlainBackend& Plain() {
    static PlainBackend plain;
    return plain;
}

Backend* Installed = nullptr;

}  // namespace

void Backend::WaitEvents() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

void InstallBackend(Backend* backend) { Installed = backend; }

Backend& CurrentBackend() { return Installed != nullptr ? *Installed : Plain(); }

ResourceCounts CurrentResourceCounts() {
    ResourceCounts counts{};
    MemoryCounts(counts);
    FileCounts(counts);
    return counts;
}

void ResetCore() {
    ResetAudio();
    ResetDialogs();
    ResetSurfaces();
    ResetInput();
    ResetWindows();
    ResetFiles();
    ResetMemory();
    ResetFaults();
}

}  // namespace pf::core
