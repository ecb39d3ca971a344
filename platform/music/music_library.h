// The rules of the music library, shared by the core (Linux, the headless
// bench) and audiow32.dll (Windows): an output with a voice reservation, and
// tracker modules loaded from file images and rendered by libxmp.
//
// Each loaded module keeps its own libxmp context, so loading never disturbs
// what plays. Every operation takes one lock, which the renderer shares: a
// module is never started, stopped or freed while it is being rendered.
// Rendering is bounded whatever a module holds (see Render), so a caller
// never waits long on the lock. Opening and closing the real output is the
// caller's business, done outside the lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace pf::music {

constexpr uint32_t kMaxVoices = 32;
// Larger module files are refused rather than read whole into memory.
constexpr uint32_t kMaxModuleBytes = 64u << 20;

// The one output the library plays to: the default device, 16-bit stereo
// samples at kOutputRate.
constexpr uint16_t kOutputRate = 44100;
bool OutputSupported(uint32_t device, uint16_t format, uint32_t rate);

// The bytes of a module file of size bytes from offset to its end, for
// Library::Load: read(into, count) reads up to count bytes where the last
// read ended and returns how many (0 at an error). The file is read from its
// start (the seam's file layer has no seek) and its head dropped. False, with
// image untouched, for a file larger than kMaxModuleBytes, an offset at or
// past its end, a failed or empty read, or too little memory.
bool ReadModuleImage(uint64_t size, uint32_t offset, std::vector<uint8_t>& image,
                     const std::function<uint32_t(uint8_t* into, uint32_t count)>& read);

// The same through an open file of a layer with Win32's GetFileSize and
// ReadFile: the seam's or kernel32's.
template <typename Handle, typename GetFileSizeCall, typename ReadFileCall>
bool ReadModuleImage(Handle file, GetFileSizeCall getFileSize, ReadFileCall readFile,
                     uint32_t offset, std::vector<uint8_t>& image) {
    using Dword = decltype(getFileSize(file, nullptr));
    Dword high = 0;
    const Dword low = getFileSize(file, &high);
    return ReadModuleImage(uint64_t{high} << 32 | low, offset, image,
                           [&](uint8_t* into, uint32_t count) -> uint32_t {
                               Dword got = 0;
                               return readFile(file, into, count, &got, nullptr) ? got : 0;
                           });
}

struct Module;

class Library {
public:
    Library();
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool OutputOpen();
    // Records the output as open at rate (after the caller opened it); false
    // when it already was.
    bool MarkOutputOpen(int rate);
    // Stops the music and releases the voices; true when the output was open
    // (the caller then closes the real one).
    bool MarkOutputClosed();

    // 1 to kMaxVoices voices, once, while the output is open.
    bool OpenVoices(uint32_t voices);
    // Whatever plays falls silent; loaded modules stay. Closing voices that
    // were never reserved has nothing to do.
    void CloseVoices();

    // Parses a module file's bytes. Null when libxmp cannot read it or it
    // holds nothing that can be played (no channels). Parsing runs outside
    // the lock, so the music plays on meanwhile.
    Module* Load(std::vector<uint8_t> image);
    // 0 for null, the module's load number (1, 2, 3...) when it is live, -1
    // for anything else (a freed module, a stray pointer).
    long Number(const Module* module);
    // Starts module from its beginning in place of whatever played; needs a
    // live module, the output and the voices.
    bool Play(Module* module);
    void Stop();
    // Releases a live module, stopping it first if it plays.
    bool Free(Module* module);

    // Interleaved 16-bit stereo frames of the module that plays; silence
    // where none plays or it has ended. True when a module was rendered.
    bool Render(int16_t* out, uint32_t frames);

    // Back to the state of a fresh start: every module released, voices and
    // output marked closed. True when the output was open.
    bool Reset();

private:
    void StopLocked();

    std::mutex lock_;
    bool outputOpen_ = false;
    int rate_ = 0;
    uint32_t voices_ = 0;  // 0 while no voices are reserved
    unsigned loads_ = 0;   // numbers the modules 1, 2, 3...
    // Every live module, so handles are checked before use and modules the
    // program never frees are still released at the end.
    std::vector<std::unique_ptr<Module>> modules_;
    Module* playing_ = nullptr;
};

}  // namespace pf::music
