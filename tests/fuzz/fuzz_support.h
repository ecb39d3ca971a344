// What the fuzz harnesses share: a scratch folder per process (the process
// works in it, with a Data folder and a registry store of its own), writing an
// input where a loader reads it, the picture sheet on the platform core, and
// the check that a loader let go of everything it took.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vxfuzz {

// The process's scratch folder (created on first use, removed at exit); the
// working directory is set to it and VELNORIX_REGISTRY names its "registry"
// folder. It holds an empty "Data" folder.
const std::string& Sandbox();

// Writes size bytes to path (relative to the scratch folder).
void WriteFile(const char* path, const uint8_t* data, size_t size);

// A fresh platform core with the game's sheet and back buffer made through
// the DirectDraw calls, the sheet locked as the asset sets hold it.
void SetUpSheet();

// Aborts when an open file or a memory block outlived the loader.
void CheckNothingHeld(const char* what);

}  // namespace vxfuzz
