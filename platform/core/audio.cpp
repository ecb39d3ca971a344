// The music library: one output, a voice reservation and tracker modules
// rendered by libxmp.
//
// Each loaded module keeps its own libxmp context, so loading never disturbs
// what plays. The output's thread pulls samples through MixAudio; every
// operation of the game thread takes the same lock, so a module is never
// started, stopped or freed while the output renders it. The backend's
// OpenAudio and CloseAudio run outside the lock: closing a real device waits
// for its callback, which may itself be waiting for the lock.
#include "pf/audio.h"

#include <xmp.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "backend.h"
#include "pf/files.h"

struct pf::ModuleObject {
    unsigned number = 0;  // load number, names the module in recorded calls
    xmp_context context = nullptr;
    std::vector<uint8_t> image;  // the file's bytes from the offset on

    ~ModuleObject() {
        if (context != nullptr) {
            xmp_release_module(context);
            xmp_free_context(context);
        }
    }
};

namespace pf {
namespace {

constexpr int32_t kFailure = -1;
constexpr uint32_t kMaxVoices = 32;
constexpr uint16_t kRate = 44100;
// Larger files are refused rather than read whole into memory.
constexpr DWORD kMaxModuleBytes = 64u << 20;

struct AudioState {
    std::mutex lock;
    bool deviceOpen = false;
    int rate = 0;
    uint32_t voices = 0;  // 0 while no voices are reserved
    unsigned loads = 0;   // numbers the modules 1, 2, 3...
    // Every live module, so handles are checked before use and modules the
    // program never frees are still released at exit.
    std::vector<std::unique_ptr<ModuleObject>> modules;
    ModuleObject* playing = nullptr;
};

AudioState& State() {
    static AudioState state;
    return state;
}

bool IsLive(const AudioState& state, MODULE module) {
    if (module == nullptr) return false;
    for (const auto& owned : state.modules)
        if (owned.get() == module) return true;
    return false;
}

// The module's number for recorded calls: 0 for null, its load number when
// live, and "stale" numbers are never reused.
void DescribeModule(const AudioState& state, MODULE module, char* out, size_t size) {
    if (module == nullptr)
        std::snprintf(out, size, "module=0");
    else if (IsLive(state, module))
        std::snprintf(out, size, "module=%u", module->number);
    else
        std::snprintf(out, size, "module=unknown");
}

void StopLocked(AudioState& state) {
    if (state.playing != nullptr) {
        xmp_end_player(state.playing->context);
        state.playing = nullptr;
    }
}

// Reads the file from offset to its end through the platform's file layer.
bool ReadModuleImage(const char* fileName, uint32_t offset, std::vector<uint8_t>& image) {
    HANDLE file = CreateFileA(fileName, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE || file == nullptr) return false;
    bool ok = false;
    const DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE && size <= kMaxModuleBytes && offset < size) {
        // Skip to the offset by reading: the file layer has no seek.
        std::vector<uint8_t> whole;
        try {
            whole.resize(size);
        } catch (const std::bad_alloc&) {
            whole.clear();
        }
        if (whole.size() == size) {
            DWORD total = 0;
            ok = true;
            while (total < size) {
                DWORD got = 0;
                if (!ReadFile(file, whole.data() + total, size - total, &got, nullptr) || got == 0) {
                    ok = false;
                    break;
                }
                total += got;
            }
            if (ok) image.assign(whole.begin() + offset, whole.end());
        }
    }
    CloseHandle(file);
    return ok;
}

// Renders interleaved stereo frames of the module that plays, in pieces
// libxmp accepts; silence when nothing plays or rendering fails.
void MixLocked(AudioState& state, int16_t* out, uint32_t frames) {
    constexpr uint32_t kChunkFrames = 4096;
    while (frames > 0) {
        const uint32_t now = std::min(frames, kChunkFrames);
        const int bytes = static_cast<int>(now * 2 * sizeof(int16_t));
        if (state.playing == nullptr ||
            xmp_play_buffer(state.playing->context, out, bytes, 0) != 0)
            std::memset(out, 0, static_cast<size_t>(bytes));
        out += now * 2;
        frames -= now;
    }
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

    if (info == nullptr || info->device != AUDIO_DEVICE_DEFAULT ||
        info->format != AUDIO_FORMAT_16_STEREO || info->rate != kRate)
        return kFailure;
    AudioState& state = State();
    {
        std::lock_guard guard(state.lock);
        if (state.deviceOpen) return kFailure;
        state.rate = info->rate;
    }
    if (!core::CurrentBackend().OpenAudio(info->rate)) return kFailure;
    std::lock_guard guard(state.lock);
    state.deviceOpen = true;
    return 0;
}

int32_t OpenAudioVoices(uint32_t voices) {
    char arguments[32];
    std::snprintf(arguments, sizeof arguments, "voices=%u", static_cast<unsigned>(voices));
    core::CurrentBackend().AudioCall("OpenAudioVoices", arguments);
    int32_t code = 0;
    if (core::FaultDue("OpenAudioVoices", &code)) return code;

    AudioState& state = State();
    std::lock_guard guard(state.lock);
    if (!state.deviceOpen || state.voices != 0 || voices == 0 || voices > kMaxVoices)
        return kFailure;
    state.voices = voices;
    return 0;
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

    // File reading and parsing happen outside the lock: the output keeps
    // playing meanwhile.
    auto loaded = std::make_unique<ModuleObject>();
    if (!ReadModuleImage(fileName, offset, loaded->image)) return kFailure;
    loaded->context = xmp_create_context();
    if (loaded->context == nullptr) return kFailure;
    if (xmp_load_module_from_memory(loaded->context, loaded->image.data(),
                                    static_cast<long>(loaded->image.size())) != 0) {
        // Nothing is held by a context whose load failed.
        xmp_free_context(loaded->context);
        loaded->context = nullptr;
        return kFailure;
    }

    AudioState& state = State();
    std::lock_guard guard(state.lock);
    loaded->number = ++state.loads;
    *module = loaded.get();
    state.modules.push_back(std::move(loaded));
    return 0;
}

int32_t PlayModule(MODULE module) {
    AudioState& state = State();
    char arguments[32];
    {
        std::lock_guard guard(state.lock);
        DescribeModule(state, module, arguments, sizeof arguments);
    }
    core::CurrentBackend().AudioCall("PlayModule", arguments);
    int32_t code = 0;
    if (core::FaultDue("PlayModule", &code)) return code;

    std::lock_guard guard(state.lock);
    if (!IsLive(state, module) || !state.deviceOpen || state.voices == 0) return kFailure;
    StopLocked(state);
    if (xmp_start_player(module->context, state.rate, 0) != 0) return kFailure;
    state.playing = module;
    return 0;
}

int32_t StopModule() {
    core::CurrentBackend().AudioCall("StopModule", "");
    int32_t code = 0;
    if (core::FaultDue("StopModule", &code)) return code;

    AudioState& state = State();
    std::lock_guard guard(state.lock);
    StopLocked(state);
    return 0;
}

int32_t FreeModuleFile(MODULE module) {
    AudioState& state = State();
    char arguments[32];
    {
        std::lock_guard guard(state.lock);
        DescribeModule(state, module, arguments, sizeof arguments);
    }
    core::CurrentBackend().AudioCall("FreeModuleFile", arguments);
    int32_t code = 0;
    if (core::FaultDue("FreeModuleFile", &code)) return code;

    std::unique_ptr<ModuleObject> released;
    {
        std::lock_guard guard(state.lock);
        auto found = std::find_if(state.modules.begin(), state.modules.end(),
                                  [module](const auto& owned) { return owned.get() == module; });
        if (module == nullptr || found == state.modules.end()) return kFailure;
        // A module freed while it plays is stopped first.
        if (state.playing == module) StopLocked(state);
        released = std::move(*found);
        state.modules.erase(found);
    }
    return 0;
}

int32_t CloseAudioVoices() {
    core::CurrentBackend().AudioCall("CloseAudioVoices", "");
    int32_t code = 0;
    if (core::FaultDue("CloseAudioVoices", &code)) return code;

    AudioState& state = State();
    std::lock_guard guard(state.lock);
    // Closing voices that were never opened (a start-up that failed before
    // the audio) has nothing to do and succeeds.
    if (state.voices == 0) return 0;
    // The voices go, so whatever plays falls silent; the module stays loaded.
    StopLocked(state);
    state.voices = 0;
    return 0;
}

int32_t CloseAudioDevice() {
    core::CurrentBackend().AudioCall("CloseAudioDevice", "");
    int32_t code = 0;
    if (core::FaultDue("CloseAudioDevice", &code)) return code;

    AudioState& state = State();
    {
        std::lock_guard guard(state.lock);
        // Likewise for an output that was never opened.
        if (!state.deviceOpen) return 0;
        StopLocked(state);
        state.voices = 0;
        state.deviceOpen = false;
    }
    core::CurrentBackend().CloseAudio();
    return 0;
}

int32_t RenderAudioFrames(int16_t* out, uint32_t frames) {
    if (out == nullptr) return kFailure;
    AudioState& state = State();
    std::lock_guard guard(state.lock);
    const bool rendering = state.playing != nullptr;
    MixLocked(state, out, frames);
    return rendering ? 0 : kFailure;
}

namespace core {

void MixAudio(int16_t* out, int frames) {
    if (out == nullptr || frames <= 0) return;
    AudioState& state = State();
    std::lock_guard guard(state.lock);
    MixLocked(state, out, static_cast<uint32_t>(frames));
}

void ResetAudio() {
    AudioState& state = State();
    bool wasOpen = false;
    std::vector<std::unique_ptr<ModuleObject>> released;
    {
        std::lock_guard guard(state.lock);
        StopLocked(state);
        wasOpen = state.deviceOpen;
        state.deviceOpen = false;
        state.voices = 0;
        state.rate = 0;
        state.loads = 0;
        released.swap(state.modules);
    }
    if (wasOpen) CurrentBackend().CloseAudio();
}

}  // namespace core
}  // namespace pf
