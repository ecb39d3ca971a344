// The music library: audiow32.dll, bound by ordinal through its import
// library. The seam's records and handles are the DLL's own.
#include "audiow32.h"
#include "pf/audio.h"

static_assert(sizeof(pf::AudioInfo) == sizeof(AudioW32Info));
static_assert(offsetof(pf::AudioInfo, format) == offsetof(AudioW32Info, format));
static_assert(offsetof(pf::AudioInfo, rate) == offsetof(AudioW32Info, rate));

namespace pf {
namespace {

AudioW32Module* Handle(MODULE module) { return reinterpret_cast<AudioW32Module*>(module); }

}  // namespace

int32_t OpenAudioDevice(const AudioInfo* info) {
    return ::OpenAudioDevice(reinterpret_cast<const AudioW32Info*>(info));
}

int32_t OpenAudioVoices(uint32_t voices) { return ::OpenAudioVoices(voices); }

int32_t LoadModuleFile(const char* fileName, MODULE* module, uint32_t offset) {
    return ::LoadModuleFile(fileName, reinterpret_cast<AudioW32Module**>(module), offset);
}

int32_t PlayModule(MODULE module) { return ::PlayModule(Handle(module)); }

int32_t StopModule() { return ::StopModule(); }

int32_t FreeModuleFile(MODULE module) { return ::FreeModuleFile(Handle(module)); }

int32_t CloseAudioVoices() { return ::CloseAudioVoices(); }

int32_t CloseAudioDevice() { return ::CloseAudioDevice(); }

}  // namespace pf
