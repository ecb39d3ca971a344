// Module files straight into libxmp (the bundled copy, instrumented with the
// rest): loaded from memory and played through many frames, moved to another
// order and a later time, as tests/fuzz/module_play.h does for the tests.
// The module harness reaches libxmp through the music library instead.
#include <cstddef>
#include <cstdint>

#include "module_play.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vxfuzz::PlayModuleImage(data, size, 1000);
    return 0;
}
