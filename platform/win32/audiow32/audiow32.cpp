// audiow32.dll: the music library's rules (music_library.h) with modules read
// through kernel32 and the mix played by the Windows wave output.
//
// An output thread of the DLL keeps a few wave buffers queued, refilling each
// as the device hands it back (its completion event). Where the machine has
// no wave device, the same thread pulls the mix at the device's pace and
// discards it: the music runs on, unheard, and opening still succeeds.
#include "audiow32.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstring>
#include <vector>

#include "music_library.h"

namespace {

constexpr int32_t kFailure = -1;
constexpr uint16_t kRate = pf::music::kOutputRate;
constexpr int kBuffers = 4;
constexpr DWORD kBufferFrames = 2048;  // 46 ms at 44.1 kHz

pf::music::Library& Library() {
    static pf::music::Library library;
    return library;
}

pf::music::Module* Handle(AudioW32Module* module) {
    return reinterpret_cast<pf::music::Module*>(module);
}

// The output: the wave device (or none) and the thread that feeds it.
struct Output {
    HWAVEOUT wave = nullptr;
    HANDLE done = nullptr;  // signalled by the device as buffers come back
    HANDLE stop = nullptr;  // signalled to end the thread
    HANDLE thread = nullptr;
    WAVEHDR headers[kBuffers] = {};
    std::vector<int16_t> samples[kBuffers];
};

Output output;

void Fill(int index) {
    Library().Render(output.samples[index].data(), kBufferFrames);
}

DWORD WINAPI FeedDevice(void*) {
    const HANDLE events[2] = {output.stop, output.done};
    for (;;) {
        // Woken by a returned buffer or the stop; the timeout only guards
        // against a device that never signals.
        if (WaitForMultipleObjects(2, events, FALSE, 200) == WAIT_OBJECT_0) return 0;
        for (int i = 0; i < kBuffers; ++i) {
            if ((output.headers[i].dwFlags & WHDR_DONE) == 0) continue;
            Fill(i);
            waveOutWrite(output.wave, &output.headers[i], sizeof(WAVEHDR));
        }
    }
}

// No device: one buffer's worth pulled per buffer period, on deadlines that
// do not drift.
DWORD WINAPI FeedNothing(void*) {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    const LONGLONG period = frequency.QuadPart * kBufferFrames / kRate;
    LONGLONG deadline = now.QuadPart;
    for (;;) {
        Fill(0);
        deadline += period;
        QueryPerformanceCounter(&now);
        const LONGLONG left = deadline - now.QuadPart;
        const DWORD wait = left > 0 ? static_cast<DWORD>(left * 1000 / frequency.QuadPart) : 0;
        if (WaitForSingleObject(output.stop, wait) == WAIT_OBJECT_0) return 0;
    }
}

bool OpenWaveDevice() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = kRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = kRate * 4;
    if (waveOutOpen(&output.wave, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(output.done),
                    0, CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        output.wave = nullptr;
        return false;
    }
    for (int i = 0; i < kBuffers; ++i) {
        WAVEHDR& header = output.headers[i];
        header = WAVEHDR{};
        header.lpData = reinterpret_cast<LPSTR>(output.samples[i].data());
        header.dwBufferLength = kBufferFrames * 4;
        if (waveOutPrepareHeader(output.wave, &header, sizeof header) != MMSYSERR_NOERROR) {
            for (int j = 0; j < i; ++j)
                waveOutUnprepareHeader(output.wave, &output.headers[j], sizeof(WAVEHDR));
            waveOutClose(output.wave);
            output.wave = nullptr;
            return false;
        }
    }
    // Everything queued at once; the thread refills what comes back.
    for (int i = 0; i < kBuffers; ++i) {
        Fill(i);
        waveOutWrite(output.wave, &output.headers[i], sizeof(WAVEHDR));
    }
    return true;
}

void CloseOutput() {
    if (output.thread != nullptr) {
        SetEvent(output.stop);
        WaitForSingleObject(output.thread, INFINITE);
        CloseHandle(output.thread);
        output.thread = nullptr;
    }
    if (output.wave != nullptr) {
        waveOutReset(output.wave);  // every queued buffer comes back
        for (WAVEHDR& header : output.headers)
            waveOutUnprepareHeader(output.wave, &header, sizeof header);
        waveOutClose(output.wave);
        output.wave = nullptr;
    }
    for (HANDLE* event : {&output.done, &output.stop}) {
        if (*event != nullptr) CloseHandle(*event);
        *event = nullptr;
    }
}

bool OpenOutput() {
    for (auto& samples : output.samples) samples.assign(kBufferFrames * 2, 0);
    output.done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    output.stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (output.done == nullptr || output.stop == nullptr) {
        CloseOutput();
        return false;
    }
    const bool device = OpenWaveDevice();
    output.thread = CreateThread(nullptr, 0, device ? FeedDevice : FeedNothing, nullptr, 0, nullptr);
    if (output.thread == nullptr) {
        CloseOutput();
        return false;
    }
    return true;
}

bool ReadImage(const char* fileName, uint32_t offset, std::vector<uint8_t>& image) {
    const HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = pf::music::ReadModuleImage(file, GetFileSize, ReadFile, offset, image);
    CloseHandle(file);
    return ok;
}

}  // namespace

extern "C" {

int32_t OpenAudioDevice(const AudioW32Info* info) {
    if (info == nullptr || !pf::music::OutputSupported(info->device, info->format, info->rate))
        return kFailure;
    if (Library().OutputOpen()) return kFailure;
    if (!OpenOutput()) return kFailure;
    if (Library().MarkOutputOpen(info->rate)) return 0;
    CloseOutput();
    return kFailure;
}

int32_t CloseAudioDevice() {
    // An output that was never opened has nothing to close.
    if (Library().MarkOutputClosed()) CloseOutput();
    return 0;
}

int32_t OpenAudioVoices(uint32_t voices) { return Library().OpenVoices(voices) ? 0 : kFailure; }

int32_t CloseAudioVoices() {
    Library().CloseVoices();
    return 0;
}

int32_t PlayModule(AudioW32Module* module) {
    return Library().Play(Handle(module)) ? 0 : kFailure;
}

int32_t StopModule() {
    Library().Stop();
    return 0;
}

int32_t LoadModuleFile(const char* fileName, AudioW32Module** module, uint32_t offset) {
    if (module != nullptr) *module = nullptr;
    if (fileName == nullptr || module == nullptr) return kFailure;
    std::vector<uint8_t> image;
    if (!ReadImage(fileName, offset, image)) return kFailure;
    pf::music::Module* loaded = Library().Load(std::move(image));
    if (loaded == nullptr) return kFailure;
    *module = reinterpret_cast<AudioW32Module*>(loaded);
    return 0;
}

int32_t FreeModuleFile(AudioW32Module* module) {
    return Library().Free(Handle(module)) ? 0 : kFailure;
}

int32_t AudioW32RenderFrames(int16_t* out, uint32_t frames) {
    if (out == nullptr) return kFailure;
    return Library().Render(out, frames) ? 0 : kFailure;
}

}  // extern "C"
