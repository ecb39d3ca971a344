// A module image played straight through libxmp, as the direct module
// harness and the regression test replay it: loaded from memory, started at
// the game's rate, played frame by frame until it ends, loops or reaches
// maxFrames, then moved to its second order and a later time and played a
// little more, stopped and released. Damaged input must give a refused load
// or frames of silence, never undefined behaviour.
#pragma once

#include <xmp.h>

#include <cstddef>
#include <cstdint>

namespace vxfuzz {

struct ModulePlayResult {
    bool loaded = false;
    int frames = 0;          // frames rendered in all
    uint64_t checksum = 0;   // of every sample rendered (FNV-1a)
    int peak = 0;            // the largest sample magnitude
};

inline ModulePlayResult PlayModuleImage(const uint8_t* data, size_t size, int maxFrames) {
    ModulePlayResult result;
    xmp_context context = xmp_create_context();
    if (context == nullptr) return result;
    // libxmp takes the image as a non-const pointer but only reads it.
    if (xmp_load_module_from_memory(context, const_cast<uint8_t*>(data), static_cast<long>(size)) != 0) {
        xmp_free_context(context);
        return result;
    }
    result.loaded = true;
    uint64_t hash = 14695981039346656037ull;
    auto play = [&](int frames) {
        for (int i = 0; i < frames; ++i) {
            if (xmp_play_frame(context) != 0) return;
            xmp_frame_info info{};
            xmp_get_frame_info(context, &info);
            if (info.buffer == nullptr || info.buffer_size <= 0 || info.loop_count > 0) return;
            const auto* bytes = static_cast<const uint8_t*>(info.buffer);
            for (int b = 0; b < info.buffer_size; ++b) hash = (hash ^ bytes[b]) * 1099511628211ull;
            const auto* samples = static_cast<const int16_t*>(info.buffer);
            for (int n = 0; n < info.buffer_size / 2; ++n) {
                const int magnitude = samples[n] < 0 ? -samples[n] : samples[n];
                if (magnitude > result.peak) result.peak = magnitude;
            }
            ++result.frames;
        }
    };
    if (xmp_start_player(context, 44100, 0) == 0) {
        play(maxFrames);
        xmp_set_position(context, 1);
        play(50);
        xmp_seek_time(context, 5000);
        play(50);
        xmp_end_player(context);
    }
    result.checksum = hash;
    xmp_release_module(context);
    xmp_free_context(context);
    return result;
}

}  // namespace vxfuzz
