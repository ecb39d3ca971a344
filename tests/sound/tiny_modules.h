// Tiny but complete tracker modules built in memory: one looping square-wave
// sample struck on the first row, at a modest level.
#pragma once

#include <cstdint>
#include <vector>

namespace tiny {

// Four-channel ProTracker module ("M.K.").
std::vector<uint8_t> ProTrackerModule();
// Two-channel FastTracker 2 module (version 1.04).
std::vector<uint8_t> FastTrackerModule();

}  // namespace tiny
