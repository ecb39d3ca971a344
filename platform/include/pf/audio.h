// The music library: an audio output with 32 voices and tracker modules
// (any format libxmp reads). Every operation returns 0 on success.
//
// The core renders modules through libxmp under a lock that the output's
// callback shares, so every call is safe while music plays. The SDL2 backend
// sends the output to the sound device (or to a silent one where the machine
// has none); the headless bench records each call.
#pragma once

#include "pf/types.h"

namespace pf {

struct AudioInfo {
    uint32_t device;  // 0xFFFF: the default output
    uint16_t format;  // 0x0101: 16-bit stereo
    uint16_t rate;    // samples per second
};

struct ModuleObject;
using MODULE = ModuleObject*;

constexpr uint32_t AUDIO_DEVICE_DEFAULT = 0xFFFF;
constexpr uint16_t AUDIO_FORMAT_16_STEREO = 0x0101;

int32_t OpenAudioDevice(const AudioInfo* info);
int32_t OpenAudioVoices(uint32_t voices);
// Loads the module file starting at offset; *module receives the handle, or
// null when the file cannot be loaded (the result is then non-zero).
int32_t LoadModuleFile(const char* fileName, MODULE* module, uint32_t offset);
int32_t PlayModule(MODULE module);
int32_t StopModule();
int32_t FreeModuleFile(MODULE module);
int32_t CloseAudioVoices();
int32_t CloseAudioDevice();

}  // namespace pf
