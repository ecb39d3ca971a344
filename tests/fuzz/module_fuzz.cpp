// Module files: the bytes as "Data//menu.mdf" loaded, played and rendered
// through the music library as the audio output would pull them, then
// stopped and freed.
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"
#include "pf/audio.h"
#include "platform/core/backend.h"

namespace {
int16_t Samples[2 * 2048];
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vxfuzz::Sandbox();
    const pf::AudioInfo info{pf::AUDIO_DEVICE_DEFAULT, pf::AUDIO_FORMAT_16_STEREO, 44100};
    if (pf::OpenAudioDevice(&info) != 0 || pf::OpenAudioVoices(32) != 0) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vxfuzz::WriteFile("Data/menu.mdf", data, size);
    pf::MODULE module = nullptr;
    if (pf::LoadModuleFile("Data//menu.mdf", &module, 0) == 0 && module != nullptr) {
        if (pf::PlayModule(module) == 0) {
            for (int i = 0; i < 8; ++i) pf::RenderAudioFrames(Samples, 2048);
            pf::StopModule();
        }
        pf::FreeModuleFile(module);
    }
    return 0;
}
