// Rectangle copies of the core against memcpy of the same bytes: keyed and
// opaque BltFast of sprite sizes the game draws (ball, missile, ship, a block,
// the side panel) and a whole 800x600 copy. Rates are pixels per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "pf/ddraw.h"
#include "platform/core/backend.h"
#include "tests/support/display_setup.h"

namespace {

struct Display {
    Display() {
        pf::core::ResetCore();
        vxtest::CreateDirectDraw(&draw);
        vxtest::CreateScreenSizedSurface(draw, &sheet);
        vxtest::CreateScreenSizedSurface(draw, &target);
        vxtest::KeyOnBlack(sheet);
        // A sheet with a quarter of its pixels transparent, scattered.
        pf::DDSURFACEDESC lock = {};
        pf::Surface_Lock(sheet, nullptr, &lock, 0, nullptr);
        auto* pixels = static_cast<uint16_t*>(lock.lpSurface);
        for (size_t i = 0; i < 800u * 600u; ++i)
            pixels[i] = (i * 2654435761u) % 4 == 0 ? 0 : static_cast<uint16_t>(i | 1);
        pf::Surface_Unlock(sheet, nullptr);
    }
    ~Display() { pf::core::ResetCore(); }

    pf::LPDIRECTDRAW2 draw = nullptr;
    pf::LPDIRECTDRAWSURFACE sheet = nullptr;
    pf::LPDIRECTDRAWSURFACE target = nullptr;
};

void Copy(benchmark::State& state, pf::DWORD flags) {
    Display display;
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const pf::RECT source = {0, 0, width, height};
    for (auto _ : state) {
        const pf::HRESULT result =
            pf::Surface_BltFast(display.target, 0, 0, display.sheet, &source, flags);
        benchmark::DoNotOptimize(result);
    }
    state.counters["pixels"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * width * height, benchmark::Counter::kIsRate);
}

void BM_BltFastKeyed(benchmark::State& state) { Copy(state, pf::DDBLTFAST_SRCCOLORKEY); }
void BM_BltFastOpaque(benchmark::State& state) { Copy(state, pf::DDBLTFAST_NOCOLORKEY); }

// The same rows copied with memcpy, the bound an opaque copy can reach.
void BM_Memcpy(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    std::vector<uint16_t> from(800 * 600, 1), to(800 * 600);
    for (auto _ : state) {
        for (int row = 0; row < height; ++row)
            std::memcpy(to.data() + row * 800, from.data() + row * 800, width * sizeof(uint16_t));
        benchmark::ClobberMemory();
    }
    state.counters["pixels"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * width * height, benchmark::Counter::kIsRate);
}

// Width, height: ball 12x12, missile 4x14, ship 80x16, block 50x20, side
// panel 250x600, whole screen.
#define VX_SIZES ->Args({12, 12})->Args({4, 14})->Args({80, 16})->Args({50, 20})->Args({250, 600})->Args({800, 600})

BENCHMARK(BM_BltFastKeyed) VX_SIZES;
BENCHMARK(BM_BltFastOpaque) VX_SIZES;
BENCHMARK(BM_Memcpy) VX_SIZES;

}  // namespace

BENCHMARK_MAIN();
