#include "music_library.h"

#include <xmp.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "pf/audio.h"

namespace pf::music {

bool OutputSupported(uint32_t device, uint16_t format, uint32_t rate) {
    return device == AUDIO_DEVICE_DEFAULT && format == AUDIO_FORMAT_16_STEREO &&
           rate == kOutputRate;
}

bool ReadModuleImage(uint64_t fileSize, uint32_t offset, std::vector<uint8_t>& image,
                     const std::function<uint32_t(uint8_t* into, uint32_t count)>& read) {
    // A failed GetFileSize answers all ones: too large as well.
    if (fileSize > kMaxModuleBytes || offset >= fileSize) return false;
    const auto size = static_cast<uint32_t>(fileSize);
    std::vector<uint8_t> whole;
    try {
        whole.resize(size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (uint32_t total = 0; total < size;) {
        const uint32_t got = read(whole.data() + total, size - total);
        if (got == 0) return false;
        total += got;
    }
    whole.erase(whole.begin(), whole.begin() + offset);
    image = std::move(whole);
    return true;
}

struct Module {
    unsigned number = 0;  // load number
    xmp_context context = nullptr;
    bool loaded = false;         // context holds a module (release it)
    std::vector<uint8_t> image;  // the file's bytes, kept while libxmp may read them

    // The frame libxmp rendered last, handed out piece by piece.
    const uint8_t* frame = nullptr;
    size_t frameBytes = 0;
    size_t consumed = 0;
    bool ended = false;  // nothing more to render until the next start

    ~Module() {
        if (context == nullptr) return;
        if (loaded) xmp_release_module(context);
        xmp_free_context(context);
    }

    // Renders the next frame. libxmp's own buffer filler (xmp_play_buffer)
    // loops until the buffer is full; a frame that yields no samples (a
    // tempo of zero, read from an order the module's scan never reached)
    // makes it spin for ever. Frames are taken one at a time here instead,
    // and such a frame ends the module.
    bool NextFrame() {
        frame = nullptr;
        frameBytes = consumed = 0;
        if (ended || xmp_play_frame(context) != 0) {
            ended = true;
            return false;
        }
        xmp_frame_info info{};
        xmp_get_frame_info(context, &info);
        if (info.buffer == nullptr || info.buffer_size <= 0) {
            ended = true;
            return false;
        }
        frame = static_cast<const uint8_t*>(info.buffer);
        frameBytes = static_cast<size_t>(info.buffer_size);
        return true;
    }
};

Library::Library() = default;
Library::~Library() = default;

bool Library::OutputOpen() {
    std::lock_guard guard(lock_);
    return outputOpen_;
}

bool Library::MarkOutputOpen(int rate) {
    std::lock_guard guard(lock_);
    if (outputOpen_) return false;
    outputOpen_ = true;
    rate_ = rate;
    return true;
}

bool Library::MarkOutputClosed() {
    std::lock_guard guard(lock_);
    if (!outputOpen_) return false;
    StopLocked();
    voices_ = 0;
    outputOpen_ = false;
    return true;
}

bool Library::OpenVoices(uint32_t voices) {
    std::lock_guard guard(lock_);
    if (!outputOpen_ || voices_ != 0 || voices == 0 || voices > kMaxVoices) return false;
    voices_ = voices;
    return true;
}

void Library::CloseVoices() {
    std::lock_guard guard(lock_);
    if (voices_ == 0) return;
    StopLocked();
    voices_ = 0;
}

Module* Library::Load(std::vector<uint8_t> image) {
    if (image.empty()) return nullptr;
    auto loaded = std::make_unique<Module>();
    loaded->image = std::move(image);
    loaded->context = xmp_create_context();
    if (loaded->context == nullptr) return nullptr;
    if (xmp_load_module_from_memory(loaded->context, loaded->image.data(),
                                    static_cast<long>(loaded->image.size())) != 0)
        return nullptr;
    loaded->loaded = true;
    // A module without channels has nothing to play, and libxmp 4.5 cannot
    // render some of them at all (see NextFrame): refused.
    xmp_module_info info{};
    xmp_get_module_info(loaded->context, &info);
    if (info.mod == nullptr || info.mod->chn <= 0) return nullptr;

    std::lock_guard guard(lock_);
    loaded->number = ++loads_;
    modules_.push_back(std::move(loaded));
    return modules_.back().get();
}

long Library::Number(const Module* module) {
    if (module == nullptr) return 0;
    std::lock_guard guard(lock_);
    for (const auto& owned : modules_)
        if (owned.get() == module) return static_cast<long>(owned->number);
    return -1;
}

bool Library::Play(Module* module) {
    std::lock_guard guard(lock_);
    const bool live = std::any_of(modules_.begin(), modules_.end(),
                                  [module](const auto& owned) { return owned.get() == module; });
    if (module == nullptr || !live || !outputOpen_ || voices_ == 0) return false;
    StopLocked();
    if (xmp_start_player(module->context, rate_, 0) != 0) return false;
    module->frame = nullptr;
    module->frameBytes = module->consumed = 0;
    module->ended = false;
    playing_ = module;
    return true;
}

void Library::Stop() {
    std::lock_guard guard(lock_);
    StopLocked();
}

bool Library::Free(Module* module) {
    std::unique_ptr<Module> released;  // destroyed after the lock is left
    std::lock_guard guard(lock_);
    auto found = std::find_if(modules_.begin(), modules_.end(),
                              [module](const auto& owned) { return owned.get() == module; });
    if (module == nullptr || found == modules_.end()) return false;
    if (playing_ == module) StopLocked();
    released = std::move(*found);
    modules_.erase(found);
    return true;
}

bool Library::Render(int16_t* out, uint32_t frames) {
    auto* to = reinterpret_cast<uint8_t*>(out);
    size_t wanted = static_cast<size_t>(frames) * 2 * sizeof(int16_t);
    std::lock_guard guard(lock_);
    if (playing_ == nullptr) {
        std::memset(to, 0, wanted);
        return false;
    }
    Module& module = *playing_;
    // Every pass copies at least one byte or ends the loop: bounded by the
    // request whatever the module holds.
    while (wanted > 0) {
        if (module.consumed == module.frameBytes && !module.NextFrame()) {
            std::memset(to, 0, wanted);
            break;
        }
        const size_t now = std::min(wanted, module.frameBytes - module.consumed);
        std::memcpy(to, module.frame + module.consumed, now);
        module.consumed += now;
        to += now;
        wanted -= now;
    }
    return true;
}

bool Library::Reset() {
    std::vector<std::unique_ptr<Module>> released;
    std::lock_guard guard(lock_);
    StopLocked();
    const bool wasOpen = outputOpen_;
    outputOpen_ = false;
    voices_ = 0;
    rate_ = 0;
    loads_ = 0;
    released.swap(modules_);
    return wasOpen;
}

void Library::StopLocked() {
    if (playing_ == nullptr) return;
    xmp_end_player(playing_->context);
    playing_ = nullptr;
}

}  // namespace pf::music
