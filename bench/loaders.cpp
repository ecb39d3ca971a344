// The two asset-set loaders over the default Data folder: the menu set (six
// pictures, the font, the hall of fame) and the play set (sixteen pictures,
// the font, level 1), each in one lock of the offscreen sheet.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "game/data/data.h"
#include "game/display/display.h"
#include "pf/ddraw.h"
#include "pf/files.h"
#include "tests/support/display_setup.h"

namespace {

// The sheet (the only surface the loaders touch), and the working directory
// holding the build's Data folder.
bool Prepare(benchmark::State& state) {
    Record = ProgramRecord{};
    const std::filesystem::path data = VX_DATA_DIR;
    if (!std::filesystem::exists(data / "font.spr")) {
        state.SkipWithError("the default content is not built (target vx_content)");
        return false;
    }
    pf::SetCurrentDirectoryA(data.parent_path().string().c_str());
    vxtest::CreateDirectDraw(&DDraw);
    if (vxtest::CreateScreenSizedSurface(DDraw, &OffscreenSurface) != pf::DD_OK) {
        state.SkipWithError("no offscreen surface");
        return false;
    }
    return true;
}

void Finish() {
    ReleaseLevel();
    pf::Surface_Release(OffscreenSurface);
    pf::DirectDraw_Release(DDraw);
    Record = ProgramRecord{};
}

void BM_ReadMenuData(benchmark::State& state) {
    if (!Prepare(state)) return;
    for (auto _ : state) {
        if (!ReadMenuData()) {
            state.SkipWithError(ErrorText);
            break;
        }
    }
    Finish();
}
BENCHMARK(BM_ReadMenuData)->Unit(benchmark::kMillisecond);

void BM_ReadGameData(benchmark::State& state) {
    if (!Prepare(state)) return;
    for (auto _ : state) {
        // A game starts from the menu, which has released the level.
        ReleaseLevel();
        if (!ReadGameData()) {
            state.SkipWithError(ErrorText);
            break;
        }
    }
    Finish();
}
BENCHMARK(BM_ReadGameData)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
