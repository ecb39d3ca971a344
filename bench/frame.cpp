// One whole frame as the game draws it, on the headless backend: clear the
// play field, about 120 sprite copies from the sheet (blocks opaque, the
// moving pictures keyed), flip-status wait and flip.
#include <benchmark/benchmark.h>

#include "headless.h"
#include "pf/ddraw.h"
#include "tests/support/display_setup.h"

namespace {

benchmark::State* Running = nullptr;

// Runs as the program's entry on the bench, so every flip goes through the
// bench's frame record (hash per flip) as in a test run.
int FrameLoop(pf::HINSTANCE, pf::HINSTANCE, char*, int) {
    benchmark::State& state = *Running;
    pf::LPDIRECTDRAW2 draw = nullptr;
    pf::LPDIRECTDRAWSURFACE primary = nullptr, back = nullptr, sheet = nullptr;
    vxtest::CreateDirectDraw(&draw);
    vxtest::CreateFlippingPrimary(draw, &primary, &back);
    vxtest::CreateScreenSizedSurface(draw, &sheet);
    vxtest::KeyOnBlack(sheet);
    pf::DDBLTFX fill = {sizeof fill, 0x1234};
    pf::Surface_Blt(sheet, nullptr, nullptr, nullptr, pf::DDBLT_COLORFILL, &fill);

    pf::DDBLTFX black = {sizeof black, 0};
    const pf::RECT field = {0, 0, PlayFieldRight, ScreenHeight};
    const pf::RECT block = {0, 0, 50, 20};
    const pf::RECT ball = {0, 100, 12, 112};
    const pf::RECT ship = {0, 200, 80, 216};
    int frame = 0;
    for (auto _ : state) {
        pf::Surface_Blt(back, &field, nullptr, nullptr, pf::DDBLT_COLORFILL, &black);
        for (int i = 0; i < 110; ++i)  // the blocks of a full level
            pf::Surface_BltFast(back, static_cast<pf::DWORD>(50 + (i % 10) * 50),
                                static_cast<pf::DWORD>(80 + (i / 10) * 20), sheet, &block,
                                pf::DDBLTFAST_NOCOLORKEY);
        for (int i = 0; i < 8; ++i)  // balls, capsules, missiles, moving each frame
            pf::Surface_BltFast(back, static_cast<pf::DWORD>(100 + i * 40 + frame % 7),
                                400, sheet, &ball, pf::DDBLTFAST_SRCCOLORKEY);
        pf::Surface_BltFast(back, static_cast<pf::DWORD>(240 + frame % 5), 560, sheet, &ship,
                            pf::DDBLTFAST_SRCCOLORKEY);
        while (pf::Surface_GetFlipStatus(back, pf::DDGFS_ISFLIPDONE) ==
               pf::DDERR_WASSTILLDRAWING) {
        }
        pf::Surface_Flip(primary, nullptr, 0);
        ++frame;
    }
    return 0;
}

void BM_Frame(benchmark::State& state) {
    Running = &state;
    pf::headless::Options options;
    options.maxMs = 0xFFFFFFFFu;
    const pf::headless::Report report = pf::headless::Run(options, &FrameLoop, nullptr);
    benchmark::DoNotOptimize(report.flips);
    state.counters["frames"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_Frame);

}  // namespace

BENCHMARK_MAIN();
