// audiow32.dll: the music library the game binds by ordinal (audiow32.def).
// Every operation returns 0 on success.
#pragma once

#include <stdint.h>

extern "C" {

struct AudioW32Info {
    uint32_t device;  // 0xFFFF: the default output
    uint16_t format;  // 0x0101: 16-bit stereo
    uint16_t rate;    // samples per second
};
struct AudioW32Module;

int32_t OpenAudioDevice(const AudioW32Info* info);           // ordinal 106
int32_t CloseAudioDevice();                                   // ordinal 107
int32_t OpenAudioVoices(uint32_t voices);                     // ordinal 109
int32_t CloseAudioVoices();                                   // ordinal 110
int32_t PlayModule(AudioW32Module* module);                   // ordinal 133
int32_t StopModule();                                         // ordinal 134
int32_t LoadModuleFile(const char* fileName, AudioW32Module** module,
                       uint32_t offset);                      // ordinal 142
int32_t FreeModuleFile(AudioW32Module* module);               // ordinal 143

// For tests only, not one of the library's eight operations: renders frames
// of interleaved 16-bit stereo samples of the module that plays, as the
// output pulls them (the output keeps pulling too). 0 when a module plays;
// silence and non-zero otherwise.
int32_t AudioW32RenderFrames(int16_t* out, uint32_t frames);  // ordinal 200

}
