#include "audio_output.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "backend.h"

namespace pf::sdl {
namespace {

constexpr int kBlockFrames = 1024;

void Pull(void* /*user*/, Uint8* stream, int bytes) {
    core::MixAudio(reinterpret_cast<int16_t*>(stream), bytes / 4);
}

}  // namespace

bool AudioOutput::Open(int rate) {
    Close();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        subsystem_ = true;
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = kBlockFrames;
        want.callback = Pull;
        // No changes allowed: SDL converts to whatever the device wants.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (device_ != 0) {
            SDL_PauseAudioDevice(device_, 0);
            return true;
        }
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystem_ = false;
    }
    std::fprintf(stderr, "velnorix: no sound device (%s); music plays silently\n", SDL_GetError());
    stop_ = false;
    silent_ = std::thread([this, rate] { RunSilent(rate); });
    return true;
}

void AudioOutput::Close() {
    if (device_ != 0) {
        // Returns once the callback has finished for good.
        SDL_CloseAudioDevice(device_);
        device_ = 0;
    }
    if (subsystem_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystem_ = false;
    }
    if (silent_.joinable()) {
        {
            std::lock_guard guard(lock_);
            stop_ = true;
        }
        wake_.notify_all();
        silent_.join();
    }
}

// Pulls one block per block period, on deadlines that do not drift.
void AudioOutput::RunSilent(int rate) {
    using Clock = std::chrono::steady_clock;
    std::vector<int16_t> block(kBlockFrames * 2);
    const auto period = std::chrono::nanoseconds(1'000'000'000LL * kBlockFrames / rate);
    auto deadline = Clock::now();
    std::unique_lock guard(lock_);
    while (!stop_) {
        guard.unlock();
        core::MixAudio(block.data(), kBlockFrames);
        guard.lock();
        deadline += period;
        wake_.wait_until(guard, deadline, [this] { return stop_; });
    }
}

}  // namespace pf::sdl
