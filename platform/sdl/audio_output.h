// The sound output: an SDL audio device pulling the core's mixer, or, where
// the machine has no sound device, a silent output that pulls at the same
// pace and discards, so music time runs as it would with sound.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace pf::sdl {

class AudioOutput {
public:
    ~AudioOutput() { Close(); }
    // Always succeeds: a device when one opens, the silent output otherwise.
    bool Open(int rate);
    void Close();
    bool Silent() const { return silent_.joinable(); }

private:
    void RunSilent(int rate);

    uint32_t device_ = 0;
    bool subsystem_ = false;
    std::thread silent_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool stop_ = false;
};

}  // namespace pf::sdl
