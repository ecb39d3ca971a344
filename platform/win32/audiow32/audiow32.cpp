// Placeholder: every operation succeeds and plays nothing.
#include "audiow32.h"

extern "C" {
int32_t OpenAudioDevice(const AudioW32Info*) { return 0; }
int32_t CloseAudioDevice() { return 0; }
int32_t OpenAudioVoices(uint32_t) { return 0; }
int32_t CloseAudioVoices() { return 0; }
int32_t PlayModule(AudioW32Module*) { return 0; }
int32_t StopModule() { return 0; }
int32_t LoadModuleFile(const char*, AudioW32Module** module, uint32_t) {
    if (module != nullptr) *module = nullptr;
    return -1;
}
int32_t FreeModuleFile(AudioW32Module*) { return 0; }
}
