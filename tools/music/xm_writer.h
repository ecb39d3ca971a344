// Writes a song and its synthesised samples as an XM (extended module) file,
// the layout FastTracker 2 version 1.04 defined and every module player reads.
#pragma once

#include <cstdint>
#include <vector>

#include "song.h"
#include "synth.h"

namespace vxm {

// samples[i] belongs to song.instruments[i].
std::vector<std::uint8_t> WriteXm(const Song& song, const std::vector<Sample>& samples);

// The whole tool in one call: source text to module bytes (throws SourceError).
std::vector<std::uint8_t> Compose(const std::string& sourceText, const std::string& fileName);

}  // namespace vxm
