// The screenshot: the back buffer as 800 x 600 red, green, blue bytes in
// "Screen001.raw"; silent on every failure.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "game/display/display.h"
#include "game/input/input.h"
#include "game/play/play.h"
#include "pf/ddraw.h"
#include "play/play_bench.h"

namespace {

class Screenshot : public playtest::PlayBench {
protected:
    void SetUp() override {
        PlayBench::SetUp();
        folder = std::filesystem::temp_directory_path() /
                 (std::string("vx-shot-") +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(folder);
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
        PlayBench::TearDown();
    }

    void FillBack(uint16_t colour) {
        pf::DDBLTFX fx = {};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = colour;
        ASSERT_EQ(pf::Surface_Blt(BackBuffer, nullptr, nullptr, nullptr, pf::DDBLT_COLORFILL, &fx),
                  pf::DD_OK);
    }
    void SetBack(int x, int y, uint16_t colour) {
        pf::DDSURFACEDESC desc = {};
        desc.dwSize = sizeof desc;
        ASSERT_EQ(pf::Surface_Lock(BackBuffer, nullptr, &desc, 0, nullptr), pf::DD_OK);
        auto* row = static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch;
        reinterpret_cast<uint16_t*>(row)[x] = colour;
        pf::Surface_Unlock(BackBuffer, nullptr);
    }
    std::vector<uint8_t> Shot() {
        std::ifstream in(folder / "Screen001.raw", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool ShotExists() { return std::filesystem::exists(folder / "Screen001.raw"); }

    std::filesystem::path folder;
    std::filesystem::path previous;
};

TEST_F(Screenshot, ARedScreenGivesRedBytesEverywhere) {
    FillBack(0xF800);
    SaveScreenshot();
    const std::vector<uint8_t> bytes = Shot();
    ASSERT_EQ(bytes.size(), 1'440'000u);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        ASSERT_EQ(bytes[i], 248) << i;
        ASSERT_EQ(bytes[i + 1], 0) << i;
        ASSERT_EQ(bytes[i + 2], 0) << i;
    }
}

TEST_F(Screenshot, EachChannelInTheTopBitsOfItsByte) {
    FillBack(0);
    SetBack(0, 0, 0x07E0);
    SetBack(799, 0, 0x001F);
    SetBack(0, 599, 0x0821);
    SetBack(799, 599, 0xFFFF);
    SetBack(1, 1, 0xF800);
    SaveScreenshot();
    const std::vector<uint8_t> bytes = Shot();
    ASSERT_EQ(bytes.size(), 1'440'000u);
    auto at = [&](int x, int y) {
        const size_t i = (static_cast<size_t>(y) * 800 + x) * 3;
        return std::vector<int>{bytes[i], bytes[i + 1], bytes[i + 2]};
    };
    EXPECT_EQ(at(0, 0), (std::vector<int>{0, 252, 0}));
    EXPECT_EQ(at(799, 0), (std::vector<int>{0, 0, 248}));
    EXPECT_EQ(at(0, 599), (std::vector<int>{8, 4, 8}));
    EXPECT_EQ(at(799, 599), (std::vector<int>{248, 252, 248}));
    EXPECT_EQ(at(1, 1), (std::vector<int>{248, 0, 0}));
    EXPECT_EQ(at(2, 1), (std::vector<int>{0, 0, 0}));
}

TEST_F(Screenshot, TheSecondCaptureReplacesTheFirst) {
    FillBack(0x07E0);
    SaveScreenshot();
    FillBack(0x001F);
    SaveScreenshot();
    const std::vector<uint8_t> bytes = Shot();
    ASSERT_EQ(bytes.size(), 1'440'000u);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[2], 248);
}

TEST_F(Screenshot, FailuresAreSilentAndLeaveNothingLockedOrHeld) {
    const unsigned live = pf::core::CurrentResourceCounts().liveBlocks;
    pf::core::AddFault("Surface_Lock", 1, pf::DDERR_SURFACELOST);
    SaveScreenshot();
    pf::core::AddFault("alloc", 1, 0);
    SaveScreenshot();
    pf::core::AddFault("CreateFileA", 1, 0);
    SaveScreenshot();
    EXPECT_FALSE(ShotExists());
    EXPECT_EQ(pf::core::CurrentResourceCounts().liveBlocks, live);
    EXPECT_EQ(pf::core::CurrentResourceCounts().openFiles, 0u);
    EXPECT_EQ(FatalError, 0);
    // The back buffer is not left locked.
    EXPECT_EQ(LockBackBuffer(), pf::DD_OK);
    UnlockBackBuffer();
}

TEST_F(Screenshot, SHeldInPlayWritesEveryFrameButNotWithEscapeOrP) {
    Key(KEY_S, true);
    Key(KEY_P, true);
    PollKeyboard();
    pf::core::SetKeyboardAvailable(false);  // P's release wait ends at once
    EXPECT_EQ(PlayInput(), GS_PAUSED);
    pf::core::SetKeyboardAvailable(true);
    EXPECT_FALSE(ShotExists());

    Key(KEY_P, false);
    GameState = GS_PLAYING;
    PlayFrame();
    EXPECT_TRUE(ShotExists());
    std::filesystem::remove(folder / "Screen001.raw");
    PlayFrame();
    EXPECT_TRUE(ShotExists());
}

TEST_F(Screenshot, TheFileHoldsTheFrameAboutToBeShown) {
    ShipX[ShownIndex] = 200;
    Key(KEY_S, true);
    ASSERT_TRUE(PlayFrameSteps());
    const std::vector<uint8_t> bytes = Shot();
    ASSERT_EQ(bytes.size(), 1'440'000u);
    const size_t i = (550u * 800 + 200) * 3;
    EXPECT_EQ(bytes[i + 1], 252);  // the green ship
}

}  // namespace
