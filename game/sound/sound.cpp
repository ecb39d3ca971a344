// Music: the audio output and the two operations the screens use.
#include "game/sound/sound.h"

#include "game/shell/shell.h"

int OpenSound() {
    AudioInfo.device = pf::AUDIO_DEVICE_DEFAULT;
    AudioInfo.format = pf::AUDIO_FORMAT_16_STEREO;
    AudioInfo.rate = 44100;
    if (pf::OpenAudioDevice(&AudioInfo) != 0)
        return ReportError("[OpenSound] Unable to open audio device\n");
    if (pf::OpenAudioVoices(32) != 0) return ReportError("[OpenSound] Unable to open audio voices\n");
    return 1;
}

void ShutDownSound() {
    // A module still playing is neither stopped nor freed first.
    if (pf::CloseAudioVoices() != 0) ReportError("[ShutDownSound] Unable to close audio voices\n");
    if (pf::CloseAudioDevice() != 0) ReportError("[ShutDownSound] Unable to close audio device\n");
}

void PlayMusic(const char* fileName) {
    pf::LoadModuleFile(fileName, &MusicModule, 0);
    // A module that could not be loaded is never handed to the play call.
    if (MusicModule != nullptr) pf::PlayModule(MusicModule);
}

void StopMusic() {
    pf::StopModule();
    if (MusicModule != nullptr) {
        pf::FreeModuleFile(MusicModule);
        MusicModule = nullptr;
    }
}
