// One play frame at its heaviest: the largest level of the Data folder with
// every cell full, six balls, twenty missiles and five capsules. Measures the
// frame's steps up to the flip (composition, motion, input, no flip and no
// frame wait), then the whole frame with an instant flip, and counts every
// allocation made while frames run (global operator new and GlobalAlloc).
//
// The Data folder: the one named by VX_DATA_DIR in the environment, else
// ./Data. Without one the bench uses a grid of the largest size a level file
// may hold (1000 cells) with block pictures of its own.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

#include "game/data/data.h"
#include "game/display/display.h"
#include "game/play/play.h"
#include "game/shell/shell.h"
#include "platform/core/backend.h"
#include "pf/files.h"
#include "pf/window.h"

// --- Counting allocator -------------------------------------------------------

namespace {
std::atomic<unsigned long> NewCalls{0};
}

// The replacements pair malloc with free; the compiler cannot see that the
// pairs match.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    NewCalls.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size != 0 ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

// Virtual milliseconds, instant flips, silent.
class BenchBackend final : public pf::core::Backend {
public:
    pf::DWORD Ticks(pf::core::TickReason) override { return ++now; }
    int MessageBox(const char*, const char*, pf::UINT) override { return pf::IDOK; }
    void WaitEvents() override {}
    pf::DWORD now = 1000;
};

BenchBackend Backend;
bool FromDataFolder = false;
int LevelNumber = 0;

// Everything a frame changes, to put back before the next one.
struct Snapshot {
    ProgramRecord record;
    uint16_t cells[1000];
    size_t cellCount;
} Saved;

int CellCount() { return LayoutColumns * LayoutRows; }

// The largest level of the Data folder, loaded on the sheet with the play set.
bool LoadLargestLevel() {
    namespace fs = std::filesystem;
    fs::path data = std::getenv("VX_DATA_DIR") != nullptr ? fs::path(std::getenv("VX_DATA_DIR"))
                                                          : fs::current_path() / "Data";
    if (!fs::exists(data / "Lvl0001.ldf")) return false;
    fs::current_path(data.parent_path());
    CurrentLevel = 1;
    ClearOffscreen();
    if (!ReadGameData()) return false;
    int best = 1, bestCells = CellCount();
    for (int level = 2; level <= 4; ++level) {
        ReleaseLevel();
        if (LockOffscreen() != pf::DD_OK) return false;
        const int ok = ReadLevelData(static_cast<uint32_t>(level));
        UnlockOffscreen();
        if (ok && CellCount() > bestCells) {
            best = level;
            bestCells = CellCount();
        }
    }
    ReleaseLevel();
    if (LockOffscreen() != pf::DD_OK) return false;
    const int ok = ReadLevelData(static_cast<uint32_t>(best));
    UnlockOffscreen();
    LevelNumber = best;
    return ok != 0;
}

// A 40 x 25 grid of 12 x 12 cells at (40, 40) and sprites of plausible sizes,
// when there is no Data folder.
void BuildLargestGrid() {
    TbarSprite = {240, 600, 560, 0};
    LivesSprite = {30, 20, 0, 400};
    for (int k = 0; k < 8; ++k) PowerUpSprites[k] = {32, 16, static_cast<uint16_t>(40 * k), 420};
    ShipSprite = {64, 16, 0, 440};
    ShipLSprite = {96, 16, 70, 440};
    ShipCSprite = {64, 16, 170, 440};
    MissileSprite = {4, 12, 240, 440};
    BallSprite = {16, 16, 250, 440};
    BallFSprite = {16, 16, 270, 440};
    LayoutColumns = 40;
    LayoutRows = 25;
    LayoutX = 40;
    LayoutY = 40;
    CellWidth = 12;
    CellHeight = 12;
    BlockTypesMemory = pf::GlobalAlloc(pf::GHND, sizeof(BlockType) * 3);
    BlockTypes = static_cast<BlockType*>(pf::GlobalLock(BlockTypesMemory));
    BlockTypeCount = 3;
    for (int t = 0; t < 3; ++t) {
        BlockTypes[t].frameX[0] = static_cast<uint16_t>(12 * t);
        BlockTypes[t].frameCount = 1;
        BlockTypes[t].hitsToBreak = static_cast<uint16_t>(t == 2 ? 255 : t + 1);
    }
    LayoutArrayMemory = pf::GlobalAlloc(pf::GHND, sizeof(uint16_t) * 1000);
    LayoutArray = static_cast<uint16_t*>(pf::GlobalLock(LayoutArrayMemory));
    // Paint the pictures so that keyed copies have pixels to copy.
    if (LockOffscreen() == pf::DD_OK) {
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 560; ++x)
                reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(OffscreenBits) +
                                            y * OffscreenPitch)[x] = static_cast<uint16_t>(x * 7 + y);
        UnlockOffscreen();
    }
}

// Every cell full, six balls (some in the grid), ten missile pairs, five
// capsules, the side panel pending: the most a frame ever draws and moves.
void SetUpHeaviestFrame() {
    for (int i = 0; i < CellCount(); ++i)
        if ((LayoutArray[i] & 0xFF) == 0) LayoutArray[i] = 1;
    BlocksToClear = 65535;  // the level does not end during the bench
    BlocksBroken = 0;
    LevelDone = 0;
    ResetPaddleAndBall();
    ApplyCapsule(CK_MULTI_BALL);  // six balls from ball 0
    const float gridMidX = static_cast<float>(LayoutX + CellWidth * LayoutColumns / 2);
    const float gridMidY = static_cast<float>(LayoutY + CellHeight * LayoutRows / 2);
    for (int i = 0; i < MaxBalls; ++i)
        for (int slot = 0; slot < 2; ++slot) {
            Balls[i][slot].x = i < 3 ? gridMidX + 30.0f * i : 60.0f * i;
            Balls[i][slot].y = i < 3 ? gridMidY : 400.0f;
        }
    for (int i = 0; i < MaxMissiles; ++i)
        Missiles[i] = {20 + 50 * i, 580, 63 + 50 * i, 580};
    for (int i = 0; i < MaxCapsules; ++i)
        Capsules[i] = {300 + 40 * i, 300, i};
    Lives = 3;
    RedrawPending = 1;
    RedrawCount = 0;
    GameState = GS_PLAYING;
    Saved.record = Record;
    Saved.cellCount = static_cast<size_t>(CellCount());
    std::memcpy(Saved.cells, LayoutArray, Saved.cellCount * sizeof(uint16_t));
}

void RestoreHeaviestFrame() {
    Record = Saved.record;
    std::memcpy(LayoutArray, Saved.cells, Saved.cellCount * sizeof(uint16_t));
}

bool StartGame() {
    static bool started = false;
    static bool ready = false;
    if (started) return ready;
    started = true;
    pf::core::ResetCore();
    pf::core::InstallBackend(&Backend);
    Record = ProgramRecord{};
    if (!InitGame(nullptr, 1)) return false;
    GameState = GS_PLAYING;
    FromDataFolder = LoadLargestLevel();
    if (!FromDataFolder) {
        ReleaseLevel();
        BuildLargestGrid();
    }
    for (Capsule& capsule : Capsules) capsule.kind = -1;
    SetUpHeaviestFrame();
    ready = true;
    return true;
}

void Report(benchmark::State& state, unsigned long news, unsigned globalAllocs) {
    state.counters["cells"] = Saved.cellCount;
    state.counters["level"] = FromDataFolder ? LevelNumber : 0;
    state.counters["new_per_frame"] =
        benchmark::Counter(static_cast<double>(news), benchmark::Counter::kAvgIterations);
    state.counters["GlobalAlloc_per_frame"] =
        benchmark::Counter(static_cast<double>(globalAllocs), benchmark::Counter::kAvgIterations);
    if (news != 0 || globalAllocs != 0) state.SkipWithError("a play frame allocated memory");
}

// Times one frame function over the heaviest frame, restored before every
// iteration, and counts the allocations made while it runs.
template <typename Frame>
void TimeFrames(benchmark::State& state, Frame frame) {
    if (!StartGame()) {
        state.SkipWithError("the game did not start");
        return;
    }
    unsigned long news = 0;
    unsigned globalAllocs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        RestoreHeaviestFrame();
        const unsigned long newsBefore = NewCalls.load();
        const unsigned allocsBefore = pf::core::CurrentResourceCounts().allocations;
        state.ResumeTiming();
        frame();
        state.PauseTiming();
        news += NewCalls.load() - newsBefore;
        globalAllocs += pf::core::CurrentResourceCounts().allocations - allocsBefore;
        state.ResumeTiming();
    }
    Report(state, news, globalAllocs);
}

// A play frame before its flip: composition, motion, input, level change.
void BM_PlayFrameSteps(benchmark::State& state) {
    TimeFrames(state, [] { benchmark::DoNotOptimize(PlayFrameSteps()); });
}
BENCHMARK(BM_PlayFrameSteps)->Unit(benchmark::kMicrosecond);

// The whole frame with a flip that completes at once; WaitFrame spins on the
// virtual clock (one millisecond per reading), so it costs 27 tick reads.
void BM_PlayFrameWithInstantFlip(benchmark::State& state) { TimeFrames(state, [] { PlayFrame(); }); }
BENCHMARK(BM_PlayFrameWithInstantFlip)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
