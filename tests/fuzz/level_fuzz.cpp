// Level files: the bytes as "Data\Lvl0001.ldf" through ReadLevelData, with
// the block pictures packed onto the locked sheet; the level is released
// again and nothing may stay held.
#include "fuzz_support.h"
#include "game/data/data.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vxfuzz::Sandbox();
    vxfuzz::SetUpSheet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vxfuzz::WriteFile("Data/Lvl0001.ldf", data, size);
    ReadLevelData(1);
    ReleaseLevel();
    vxfuzz::CheckNothingHeld("ReadLevelData");
    return 0;
}
