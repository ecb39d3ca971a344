#include "data_bench.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>

#include "platform/core/backend.h"
#include "support/display_setup.h"
#include "game/data/data.h"
#include "game/display/display.h"
#include "pf/ddraw.h"
#include "pf/files.h"

namespace datatest {

void PutU16(Bytes& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutID(Bytes& out, const char* id) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(id[i]));
}

void PutPattern(Bytes& out, size_t index) {
    out.push_back(static_cast<uint8_t>(8 + (index % 31) * 8));  // blue, never below 8
    out.push_back(static_cast<uint8_t>((index * 5) % 256));     // green
    out.push_back(static_cast<uint8_t>((index * 11) % 256));    // red
}

uint16_t PatternPixel(size_t index) {
    Bytes p;
    PutPattern(p, index);
    return static_cast<uint16_t>(((p[2] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[0] >> 3));
}

Bytes SpriteFile(uint16_t width, uint16_t height, uint16_t x, uint16_t y, Bytes pixels) {
    Bytes out;
    PutU16(out, width);
    PutU16(out, height);
    PutU16(out, x);
    PutU16(out, y);
    if (pixels.empty()) {
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) PutPattern(out, i);
    } else {
        out.insert(out.end(), pixels.begin(), pixels.end());
    }
    return out;
}

Bytes FontFile(uint16_t x, uint16_t y, uint16_t width, uint16_t height) {
    Bytes out;
    PutU16(out, x);
    PutU16(out, y);
    PutU16(out, width);
    PutU16(out, height);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) PutPattern(out, i);
    return out;
}

Bytes LevelFile(const LevelRecipe& recipe) {
    Bytes out;
    PutID(out, recipe.ids[0]);
    PutU16(out, recipe.level);
    PutID(out, recipe.ids[1]);
    PutU16(out, recipe.columns);
    PutU16(out, recipe.rows);
    PutU16(out, recipe.x);
    PutU16(out, recipe.y);
    PutU16(out, recipe.blocksToClear);
    PutID(out, recipe.ids[2]);
    PutU16(out, static_cast<uint16_t>(recipe.types.size()));
    PutU16(out, recipe.cellWidth);
    PutU16(out, recipe.cellHeight);
    size_t frame = 0;
    for (const BlockTypeRecipe& type : recipe.types) {
        PutU16(out, type.frameCount);
        PutU16(out, type.hitsToBreak);
        for (uint16_t k = 0; k < type.frameCount; ++k, ++frame) {
            PutU16(out, 0);
            for (size_t p = 0; p < static_cast<size_t>(recipe.cellWidth) * recipe.cellHeight; ++p)
                PutPattern(out, frame);
        }
    }
    PutID(out, recipe.ids[3]);
    std::vector<uint16_t> cells = recipe.cells;
    if (cells.empty()) {
        cells.assign(static_cast<size_t>(recipe.columns) * recipe.rows, 0);
        cells[0] = 1;
    }
    for (uint16_t cell : cells) PutU16(out, cell);
    return out;
}

namespace {
std::atomic<int> scratchCounter{0};
}

void DataTest::SetUp() {
    pf::core::ResetCore();
    Record = ProgramRecord{};

    dir_ = std::filesystem::temp_directory_path() /
           ("vx-data-" + std::to_string(::getpid()) + "-" + std::to_string(scratchCounter++));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "Data");

    char previous[pf::MAX_PATH] = {};
    pf::GetCurrentDirectoryA(sizeof previous, previous);
    previousDir_ = previous;
    ASSERT_TRUE(pf::SetCurrentDirectoryA(dir_.string().c_str()));

    CreateSurfaces();
    Lock();
}

void DataTest::TearDown() {
    pf::core::ClearFaults();
    // Every loader closed its file and freed its buffer, on every path.
    ReleaseLevel();
    const pf::core::ResourceCounts left = pf::core::CurrentResourceCounts();
    EXPECT_EQ(left.openFiles, 0u);
    EXPECT_EQ(left.liveBlocks, 0u);
    pf::SetCurrentDirectoryA(previousDir_.c_str());
    std::filesystem::remove_all(dir_);
    pf::core::ResetCore();
    Record = ProgramRecord{};
}

void DataTest::WriteData(const std::string& name, const Bytes& bytes) {
    std::ofstream out(dir_ / "Data" / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void DataTest::RemoveData(const std::string& name) { std::filesystem::remove(dir_ / "Data" / name); }

bool DataTest::DataExists(const std::string& name) {
    return std::filesystem::exists(dir_ / "Data" / name);
}

Bytes DataTest::ReadData(const std::string& name) {
    std::ifstream in(dir_ / "Data" / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void DataTest::CreateSurfaces() {
    ASSERT_EQ(vxtest::CreateDirectDraw(&DDraw), pf::DD_OK);
    ASSERT_EQ(vxtest::CreateScreenSizedSurface(DDraw, &OffscreenSurface), pf::DD_OK);
    // The text tests draw into a plain surface standing in for the back buffer.
    ASSERT_EQ(vxtest::CreateScreenSizedSurface(DDraw, &BackBuffer), pf::DD_OK);
    ASSERT_EQ(vxtest::KeyOnBlack(OffscreenSurface), pf::DD_OK);
}

void DataTest::Lock() { ASSERT_EQ(LockOffscreen(), pf::DD_OK); }

void DataTest::Unlock() { UnlockOffscreen(); }

// Calls read(bits, pitch) with the sheet's pixels, through the current lock
// or a fresh one.
template <typename Read>
void ReadSheet(Read read) {
    pf::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    const bool lockedHere = pf::Surface_Lock(OffscreenSurface, nullptr, &desc, 0, nullptr) == pf::DD_OK;
    const uint8_t* bits = lockedHere ? static_cast<const uint8_t*>(desc.lpSurface)
                                     : reinterpret_cast<const uint8_t*>(OffscreenBits);
    read(bits, lockedHere ? static_cast<int>(desc.lPitch) : OffscreenPitch);
    if (lockedHere) pf::Surface_Unlock(OffscreenSurface, nullptr);
}

uint16_t DataTest::Sheet(int x, int y) {
    uint16_t value = 0;
    ReadSheet([&](const uint8_t* bits, int pitch) {
        value = reinterpret_cast<const uint16_t*>(bits + static_cast<size_t>(y) * pitch)[x];
    });
    return value;
}

uint16_t DataTest::Back(int x, int y) {
    pf::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    EXPECT_EQ(pf::Surface_Lock(BackBuffer, nullptr, &desc, 0, nullptr), pf::DD_OK);
    const uint8_t* bits = static_cast<const uint8_t*>(desc.lpSurface);
    const uint16_t value =
        reinterpret_cast<const uint16_t*>(bits + static_cast<size_t>(y) * desc.lPitch)[x];
    pf::Surface_Unlock(BackBuffer, nullptr);
    return value;
}

size_t DataTest::SheetPixelsSet() {
    size_t count = 0;
    ReadSheet([&](const uint8_t* bits, int pitch) {
        for (int y = 0; y < ScreenHeight; ++y) {
            const uint16_t* row = reinterpret_cast<const uint16_t*>(bits + static_cast<size_t>(y) * pitch);
            for (int x = 0; x < ScreenWidth; ++x)
                if (row[x] != 0) ++count;
        }
    });
    return count;
}

}  // namespace datatest
