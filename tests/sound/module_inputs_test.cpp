// The module fuzzers' inputs replayed through libxmp as the direct harness
// plays them: every seed (one small module per format the loaders read) and
// every input a fuzzer once found at fault, kept as a regression. Run under
// the sanitizers (./test.sh --sanitize) this is where a mended fault would
// come back. The seeds built whole must load and sound; a damaged input must
// be refused or play, never misbehave.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/module_play.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<uint8_t> Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const fs::path kFuzz = fs::path(VX_SOURCE_DIR) / "tests" / "fuzz";

TEST(ModuleInputs, EverySeedLoadsAndTheWholeOnesSound) {
    const auto seeds = FilesIn(kFuzz / "corpus" / "module");
    ASSERT_GE(seeds.size(), 40u);
    int loaded = 0;
    for (const auto& path : seeds) {
        const auto bytes = Read(path);
        const auto result = vxfuzz::PlayModuleImage(bytes.data(), bytes.size(), 1500);
        const std::string name = path.filename().string();
        // Seeds named head.* are only shaped like their format's header.
        if (name.rfind("head.", 0) != 0) {
            EXPECT_TRUE(result.loaded) << name;
            EXPECT_GT(result.frames, 10) << name;
            EXPECT_GT(result.peak, 1000) << name;
        }
        loaded += result.loaded ? 1 : 0;
    }
    EXPECT_GE(loaded, 25);
}

TEST(ModuleInputs, EveryFaultFoundOnceIsRefusedOrPlays) {
    const auto inputs = FilesIn(kFuzz / "regressions" / "module");
    EXPECT_FALSE(inputs.empty());
    for (const auto& path : inputs) {
        SCOPED_TRACE(path.filename().string());
        const auto bytes = Read(path);
        const auto result = vxfuzz::PlayModuleImage(bytes.data(), bytes.size(), 3000);
        EXPECT_LE(result.frames, 3100);
    }
}

}  // namespace
