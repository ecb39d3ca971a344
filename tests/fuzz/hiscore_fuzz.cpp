// The hall-of-fame file: the bytes as "Data//hiscore.dat" through
// ReadHiscoreTable, the table drawn as the hall-of-fame page draws it, then
// saved and read back, which must give the same table.
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "game/data/data.h"
#include "game/display/display.h"
#include "game/screens/screens.h"
#include "game/shell/record.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vxfuzz::Sandbox();
    vxfuzz::SetUpSheet();
    UnlockOffscreen();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vxfuzz::WriteFile("Data/hiscore.dat", data, size);
    std::memset(HallOfFame, 0, sizeof HallOfFame);
    if (ReadHiscoreTable()) {
        DrawHallOfFame();
        if (!SaveHiscoreTable()) std::abort();
        HallOfFameRecord saved[HallOfFameSize];
        std::memcpy(saved, HallOfFame, sizeof saved);
        if (!ReadHiscoreTable() || std::memcmp(saved, HallOfFame, sizeof saved) != 0) std::abort();
    }
    vxfuzz::CheckNothingHeld("ReadHiscoreTable");
    return 0;
}
