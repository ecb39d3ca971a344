// What the parts of the core share among themselves (not for backends or
// programs): the event pump point, the application's activation, and the
// reset of each part.
#pragma once

#include <string>

#include "backend.h"
#include "pf/types.h"

namespace pf::core {

// An event pump point (tick read, keyboard poll, flip, flip-status query,
// message peek): the backend turns desktop events into core state, then a
// pending close request is delivered to the game window as WM_CLOSE.
void PumpPoint();

// False between PostActivation(false) and PostActivation(true).
bool ApplicationActive();

// The part resets that ResetCore runs.
void ResetFaults();
void ResetSurfaces();
void ResetInput();
void ResetWindows();
void ResetFiles();
void ResetMemory();
void ResetDialogs();

// Counters of the memory and file parts, for CurrentResourceCounts.
void MemoryCounts(ResourceCounts& counts);
void FileCounts(ResourceCounts& counts);

// Turns a program path ("Data\\ball.spr", "Data//hiscore.dat") into a host
// path: either separator, runs of separators counting as one.
std::string HostPath(const char* name);

}  // namespace pf::core
