// audiow32-probe.exe: checks audiow32.dll from outside, bound by ordinal.
//
//   audiow32-probe MODULE MISSING DAMAGED...
//
// MODULE must load and sound; MISSING (a file that does not exist) and each
// DAMAGED file must be refused with no handle. Prints "ok: ..." or
// "FAILED: ..." per check, the number of wave output devices and the render
// speed; the exit status is the
// number of failed checks.
#include <windows.h>
#include <mmsystem.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "audiow32.h"

namespace {

int failures = 0;

void Check(bool passed, const char* what) {
    std::printf("%s: %s\n", passed ? "ok" : "FAILED", what);
    if (!passed) ++failures;
}

using OpenDevice = int32_t (*)(const AudioW32Info*);
using NoArguments = int32_t (*)();
using OpenVoices = int32_t (*)(uint32_t);
using WithModule = int32_t (*)(AudioW32Module*);
using LoadFile = int32_t (*)(const char*, AudioW32Module**, uint32_t);
using RenderFrames = int32_t (*)(int16_t*, uint32_t);

struct Library {
    OpenDevice openDevice;
    NoArguments closeDevice;
    OpenVoices openVoices;
    NoArguments closeVoices;
    WithModule play;
    NoArguments stop;
    LoadFile load;
    WithModule free;
    RenderFrames render;
};

template <typename Function>
Function Ordinal(HMODULE dll, WORD ordinal) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(dll, MAKEINTRESOURCEA(ordinal))));
}

struct Level {
    int peak = 0;
    double rms = 0;
};

Level Measure(const std::vector<int16_t>& samples) {
    Level level;
    double sum = 0;
    for (int16_t value : samples) {
        level.peak = std::max(level.peak, std::abs(int{value}));
        sum += static_cast<double>(value) * value;
    }
    level.rms = samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size()));
    return level;
}

constexpr uint32_t kRate = 44100;

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: audiow32-probe MODULE MISSING DAMAGED...\n");
        return 100;
    }
    std::printf("wave output devices: %u\n", waveOutGetNumDevs());
    const HMODULE dll = LoadLibraryA("audiow32.dll");
    Check(dll != nullptr, "audiow32.dll loads");
    if (dll == nullptr) return failures;

    const Library audio{Ordinal<OpenDevice>(dll, 106), Ordinal<NoArguments>(dll, 107),
                        Ordinal<OpenVoices>(dll, 109), Ordinal<NoArguments>(dll, 110),
                        Ordinal<WithModule>(dll, 133), Ordinal<NoArguments>(dll, 134),
                        Ordinal<LoadFile>(dll, 142),   Ordinal<WithModule>(dll, 143),
                        Ordinal<RenderFrames>(dll, 200)};
    const bool bound = audio.openDevice && audio.closeDevice && audio.openVoices &&
                       audio.closeVoices && audio.play && audio.stop && audio.load &&
                       audio.free && audio.render;
    Check(bound, "ordinals 106 107 109 110 133 134 142 143 (and the test render, 200) found");
    Check(GetProcAddress(dll, "OpenAudioDevice") == nullptr &&
              GetProcAddress(dll, "LoadModuleFile") == nullptr,
          "no operation exported by name");
    if (!bound) return failures;

    const AudioW32Info wrong[] = {{0, 0x0101, 44100}, {0xFFFF, 0x0100, 44100}, {0xFFFF, 0x0101, 22050}};
    bool refused = audio.openDevice(nullptr) != 0 && audio.openVoices(32) != 0;
    for (const AudioW32Info& info : wrong) refused = refused && audio.openDevice(&info) != 0;
    Check(refused, "other output settings, and voices before the output, refused");
    Check(audio.closeVoices() == 0 && audio.closeDevice() == 0, "closing what is not open succeeds");

    const AudioW32Info info{0xFFFF, 0x0101, 44100};
    Check(audio.openDevice(&info) == 0, "OpenAudioDevice(0xFFFF, 0x0101, 44100) succeeds");
    Check(audio.openDevice(&info) != 0, "a second OpenAudioDevice is refused");
    Check(audio.openVoices(33) != 0 && audio.openVoices(0) != 0, "0 or 33 voices refused");
    Check(audio.openVoices(32) == 0, "OpenAudioVoices(32) succeeds");

    for (int i = 2; i < argc; ++i) {
        AudioW32Module* handle = reinterpret_cast<AudioW32Module*>(&failures);
        const int32_t result = audio.load(argv[i], &handle, 0);
        char what[MAX_PATH + 64];
        std::snprintf(what, sizeof what, "%s refused with a null handle", argv[i]);
        Check(result != 0 && handle == nullptr, what);
    }
    Check(audio.load(nullptr, nullptr, 0) != 0, "a load with no name refused");
    Check(audio.play(nullptr) != 0, "PlayModule(null) refused");

    AudioW32Module* music = nullptr;
    Check(audio.load(argv[1], &music, 0) == 0 && music != nullptr, "the module loads");
    if (music == nullptr) return failures;
    Check(audio.play(music) == 0, "PlayModule succeeds");

    std::vector<int16_t> second(kRate * 2);
    Check(audio.render(second.data(), kRate) == 0, "the music renders");
    const Level level = Measure(second);
    std::printf("one second of music: peak %d, RMS %.0f\n", level.peak, level.rms);
    Check(level.peak > 500 && level.peak < 32767 && level.rms > 50, "the music is heard, below full scale");

    // Render speed, for the record (the output pulls meanwhile).
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < 10; ++i) audio.render(second.data(), kRate);
    QueryPerformanceCounter(&end);
    const double seconds =
        static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf("render speed: 10 s of music in %.3f s (%.0fx real time)\n", seconds,
                seconds > 0 ? 10 / seconds : 0.0);

    Check(audio.stop() == 0, "StopModule succeeds");
    std::vector<int16_t> after(4410 * 2, 0x5555);
    const int32_t stopped = audio.render(after.data(), 4410);
    Check(stopped != 0 && Measure(after).peak == 0, "silence after the stop");
    Check(audio.stop() == 0, "a second stop is harmless");
    Check(audio.free(music) == 0, "FreeModuleFile succeeds");
    Check(audio.free(music) != 0 && audio.play(music) != 0 && audio.free(nullptr) != 0,
          "a freed or null handle is refused");

    // The game's shutdown: voices and output closed with the music playing.
    Check(audio.load(argv[1], &music, 0) == 0 && audio.play(music) == 0, "the module plays again");
    Sleep(300);
    Check(audio.closeVoices() == 0, "CloseAudioVoices with the music playing");
    Check(audio.play(music) != 0, "no playing without voices");
    Check(audio.closeDevice() == 0, "CloseAudioDevice");
    Check(audio.openDevice(&info) == 0 && audio.openVoices(32) == 0 && audio.play(music) == 0,
          "the output opens again and the module plays");
    Check(audio.closeVoices() == 0 && audio.closeDevice() == 0 && audio.free(music) == 0,
          "closed again, module freed");

    FreeLibrary(dll);
    std::printf("%d failed\n", failures);
    return failures;
}
