// The music library of the seam: the shared rules (music_library.h) with
// the calls recorded by the backend, faults injected, files read through the
// platform's file layer and the output opened by the backend.
//
// The output's thread pulls samples through MixAudio. The backend's
// OpenAudio and CloseAudio run outside the library's lock: closing a real
// device waits for its callback, which may itself be waiting for the lock.
#include "pf/audio.h"

#include <cstdio>
#include <vector>

#include "backend.h"
#include "music_library.h"
#include "pf/files.h"

namespace pf {
namespace {

constexpr int32_t kFailure = -1;

music::Library& Library() {
    static music::Library library;
    return library;
}

// The module's handle as the library knows it: a pf::MODULE is a music::Module.
music::Module* Handle(MODULE module) { return reinterpret_cast<music::Module*>(module); }

// The module's number for recorded calls: 0 for null, its load number when
// live, and "unknown" otherwise (numbers are never reused).
void DescribeModule(MODULE module, char* out, size_t size) {
    const long number = Library().Number(Handle(module));
    if (number >= 0)
        std::snprintf(out, size, "module=%ld", number);
    else
        std::snprintf(out, size, "module=unknown");
}

bool ReadModuleImage(const char* fileName, uint32_t offset, std::vector<uint8_t>& image) {
    HANDLE file = CreateFileA(fileName, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE || file == nullptr) return false;
    const bool ok = music::ReadModuleImage(file, GetFileSize, ReadFile, offset, image);
    CloseHandle(file);
    return ok;
}

}  // namespace

int32_t OpenAudioDevice(const AudioInfo* info) {
    char arguments[96];
    if (info != nullptr)
        std::snprintf(arguments, sizeof arguments, "device=0x%X format=0x%04X rate=%u",
                      static_cast<unsigned>(info->device), static_cast<unsigned>(info->format),
                      static_cast<unsigned>(info->rate));
    else
        std::snprintf(arguments, sizeof arguments, "info=null");
    core::CurrentBackend().AudioCall("OpenAudioDevice", arguments);
    int32_t code = 0;
    if (core::FaultDue("OpenAudioDevice", &code)) return code;

    if (info == nullptr || !music::OutputSupported(info->device, info->format, info->rate))
        return kFailure;
    if (Library().OutputOpen()) return kFailure;
    if (!core::CurrentBackend().OpenAudio(info->rate)) return kFailure;
    return Library().MarkOutputOpen(info->rate) ? 0 : kFailure;
}

int32_t OpenAudioVoices(uint32_t voices) {
    char arguments[32];
    std::snprintf(arguments, sizeof arguments, "voices=%u", static_cast<unsigned>(voices));
    core::CurrentBackend().AudioCall("OpenAudioVoices", arguments);
    int32_t code = 0;
    if (core::FaultDue("OpenAudioVoices", &code)) return code;
    return Library().OpenVoices(voices) ? 0 : kFailure;
}

int32_t LoadModuleFile(const char* fileName, MODULE* module, uint32_t offset) {
    char arguments[MAX_PATH + 48];
    std::snprintf(arguments, sizeof arguments, "file=%s offset=%u",
                  fileName != nullptr ? fileName : "(null)", static_cast<unsigned>(offset));
    core::CurrentBackend().AudioCall("LoadModuleFile", arguments);
    if (module != nullptr) *module = nullptr;
    int32_t code = 0;
    if (core::FaultDue("LoadModuleFile", &code)) return code;
    if (fileName == nullptr || module == nullptr) return kFailure;

    std::vector<uint8_t> image;
    if (!ReadModuleImage(fileName, offset, image)) return kFailure;
    music::Module* loaded = Library().Load(std::move(image));
    if (loaded == nullptr) return kFailure;
    *module = reinterpret_cast<MODULE>(loaded);
    return 0;
}

int32_t PlayModule(MODULE module) {
    char arguments[32];
    DescribeModule(module, arguments, sizeof arguments);
    core::CurrentBackend().AudioCall("PlayModule", arguments);
    int32_t code = 0;
    if (core::FaultDue("PlayModule", &code)) return code;
    return Library().Play(Handle(module)) ? 0 : kFailure;
}

int32_t StopModule() {
    core::CurrentBackend().AudioCall("StopModule", "");
    int32_t code = 0;
    if (core::FaultDue("StopModule", &code)) return code;
    Library().Stop();
    return 0;
}

int32_t FreeModuleFile(MODULE module) {
    char arguments[32];
    DescribeModule(module, arguments, sizeof arguments);
    core::CurrentBackend().AudioCall("FreeModuleFile", arguments);
    int32_t code = 0;
    if (core::FaultDue("FreeModuleFile", &code)) return code;
    return Library().Free(Handle(module)) ? 0 : kFailure;
}

int32_t CloseAudioVoices() {
    core::CurrentBackend().AudioCall("CloseAudioVoices", "");
    int32_t code = 0;
    if (core::FaultDue("CloseAudioVoices", &code)) return code;
    // Closing voices that were never opened (a start-up that failed before
    // the audio) has nothing to do and succeeds.
    Library().CloseVoices();
    return 0;
}

int32_t CloseAudioDevice() {
    core::CurrentBackend().AudioCall("CloseAudioDevice", "");
    int32_t code = 0;
    if (core::FaultDue("CloseAudioDevice", &code)) return code;
    // Likewise for an output that was never opened.
    if (Library().MarkOutputClosed()) core::CurrentBackend().CloseAudio();
    return 0;
}

int32_t RenderAudioFrames(int16_t* out, uint32_t frames) {
    if (out == nullptr) return kFailure;
    return Library().Render(out, frames) ? 0 : kFailure;
}

namespace core {

void MixAudio(int16_t* out, int frames) {
    if (out == nullptr || frames <= 0) return;
    Library().Render(out, static_cast<uint32_t>(frames));
}

void ResetAudio() {
    if (Library().Reset()) CurrentBackend().CloseAudio();
}

}  // namespace core
}  // namespace pf
