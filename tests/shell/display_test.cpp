// The display layer: copies, clears, lost surfaces, flips and frame pacing.
#include <vector>

#include "game/display/display.h"
#include "game/shell/shell.h"
#include "shell/shell_test_support.h"

namespace {

using shelltest::ShellTest;

class Display : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_EQ(InitGame(nullptr, pf::SW_SHOWNORMAL), 1);
        GameState = GS_MENU;
    }
    void TearDown() override {
        ShutDownGame();
        ShellTest::TearDown();
    }

    static uint16_t BackPixel(int x, int y) {
        pf::DDSURFACEDESC desc = {};
        desc.dwSize = sizeof desc;
        EXPECT_EQ(pf::Surface_Lock(BackBuffer, nullptr, &desc, 0, nullptr), pf::DD_OK);
        const auto* row = reinterpret_cast<const uint8_t*>(desc.lpSurface) + y * desc.lPitch;
        const uint16_t value = reinterpret_cast<const uint16_t*>(row)[x];
        pf::Surface_Unlock(BackBuffer, nullptr);
        return value;
    }

    static void FillBack(uint16_t value) {
        pf::DDBLTFX fx = {sizeof(pf::DDBLTFX), value};
        ASSERT_EQ(pf::Surface_Blt(BackBuffer, nullptr, nullptr, nullptr, pf::DDBLT_COLORFILL, &fx),
                  pf::DD_OK);
    }

    // A 4x2 picture at (10, 20) of the sheet: left half colour 0, right half
    // 0xF800.
    static void PutPicture() {
        ASSERT_EQ(LockOffscreen(), pf::DD_OK);
        for (int y = 20; y < 22; ++y)
            for (int x = 10; x < 14; ++x)
                OffscreenBits[y * (OffscreenPitch / 2) + x] = x < 12 ? 0 : 0xF800;
        UnlockOffscreen();
    }
};

TEST_F(Display, KeyedCopyLeavesColourZeroAndOpaqueCopiesIt) {
    PutPicture();
    const Sprite picture = {4, 2, 10, 20};
    FillBack(0x001F);
    DrawSprite(100, 50, picture, true);
    EXPECT_EQ(BackPixel(100, 50), 0x001F);
    EXPECT_EQ(BackPixel(101, 51), 0x001F);
    EXPECT_EQ(BackPixel(102, 50), 0xF800);
    EXPECT_EQ(BackPixel(103, 51), 0xF800);
    EXPECT_EQ(BackPixel(104, 50), 0x001F);

    DrawSprite(100, 50, picture, false);
    EXPECT_EQ(BackPixel(100, 50), 0x0000);
    EXPECT_EQ(BackPixel(103, 51), 0xF800);
}

TEST_F(Display, CopyCrossingAnEdgeIsRefusedWhole) {
    PutPicture();
    const Sprite picture = {4, 2, 10, 20};
    FillBack(0x001F);
    DrawSprite(797, 10, picture, false);  // right edge
    EXPECT_NE(DDResult, pf::DD_OK);
    EXPECT_EQ(BackPixel(797, 10), 0x001F);
    DrawSprite(10, 599, picture, false);  // bottom edge
    EXPECT_NE(DDResult, pf::DD_OK);
    EXPECT_EQ(BackPixel(10, 599), 0x001F);
    DrawSprite(-1, 10, picture, false);  // left of the screen
    EXPECT_NE(DDResult, pf::DD_OK);
    EXPECT_EQ(BackPixel(0, 10), 0x001F);
    DrawSprite(796, 598, picture, false);  // exactly inside
    EXPECT_EQ(DDResult, pf::DD_OK);
    EXPECT_EQ(BackPixel(799, 599), 0xF800);
}

TEST_F(Display, ClearFillsAllButTheSidePanelWhilePlaying) {
    TbarSprite = {250, 600, 550, 0};
    FillBack(0x07E0);
    GameState = GS_PLAYING;
    ClearScreen();
    EXPECT_EQ(BackPixel(0, 0), 0);
    EXPECT_EQ(BackPixel(549, 599), 0);
    EXPECT_EQ(BackPixel(550, 0), 0x07E0);
    EXPECT_EQ(BackPixel(799, 599), 0x07E0);
    GameState = GS_MENU;
    ClearScreen();
    EXPECT_EQ(BackPixel(799, 599), 0);
}

TEST_F(Display, LostSurfaceDuringAClearRestoresAllThreeAndSkipsTheFill) {
    FillBack(0x07E0);
    pf::core::AddFault("Surface_Blt", 1, pf::DDERR_SURFACELOST);
    // The third restore (the offscreen surface) answers with a marker code,
    // which proves all three were restored in order.
    pf::core::AddFault("Surface_Restore", 3, 0x1234);
    // The second fill answers with another marker: the clear makes only one.
    pf::core::AddFault("Surface_Blt", 2, 0x5678);
    ClearScreen();
    EXPECT_EQ(DDResult, 0x1234);
    pf::DDBLTFX fx = {sizeof(pf::DDBLTFX), 0};
    EXPECT_EQ(pf::Surface_Blt(BackBuffer, nullptr, nullptr, nullptr, pf::DDBLT_COLORFILL, &fx),
              0x5678)
        << "the fill is not repeated";
}

TEST_F(Display, SheetComesBackAfterARestoreThatSucceeded) {
    PutPicture();
    const Sprite picture = {4, 2, 10, 20};
    // A loss reported by the fill is a real one: every surface's memory goes.
    pf::core::AddFault("Surface_Blt", 1, pf::DDERR_SURFACELOST);
    ClearScreen();
    EXPECT_EQ(DDResult, pf::DD_OK) << "the restore's result";
    FillBack(0x001F);
    DrawSprite(100, 50, picture, true);
    EXPECT_EQ(BackPixel(100, 50), 0x001F);
    EXPECT_EQ(BackPixel(102, 50), 0xF800) << "the sheet's picture is back";
}

TEST_F(Display, SheetStaysLostWhenTheRestoreFails) {
    PutPicture();
    const Sprite picture = {4, 2, 10, 20};
    pf::core::AddFault("Surface_Blt", 1, pf::DDERR_SURFACELOST);
    pf::core::AddFault("Surface_Restore", 1, pf::DDERR_GENERIC);
    ClearScreen();
    EXPECT_EQ(DDResult, pf::DDERR_GENERIC);
    EXPECT_EQ(pf::Surface_Restore(PrimarySurface), pf::DD_OK);
    EXPECT_EQ(pf::Surface_Restore(OffscreenSurface), pf::DD_OK);
    FillBack(0x001F);
    DrawSprite(100, 50, picture, false);
    EXPECT_EQ(BackPixel(102, 50), 0) << "no copy is put back after a failed restore";
}

TEST_F(Display, BusyBlitterIsWaitedOutByTheClear) {
    FillBack(0x07E0);
    pf::core::AddFault("Surface_Blt", 1, pf::DDERR_WASSTILLDRAWING);
    pf::core::AddFault("Surface_Blt", 2, pf::DDERR_WASSTILLDRAWING);
    ClearScreen();
    EXPECT_EQ(DDResult, pf::DD_OK);
    EXPECT_EQ(BackPixel(5, 5), 0);
}

TEST_F(Display, LockRetriesWhileStillDrawing) {
    pf::core::AddFault("Surface_Lock", 1, pf::DDERR_WASSTILLDRAWING);
    EXPECT_EQ(LockOffscreen(), pf::DD_OK);
    EXPECT_NE(OffscreenBits, nullptr);
    EXPECT_GE(OffscreenPitch, 1600);
    UnlockOffscreen();
    pf::core::AddFault("Surface_Lock", 1, pf::DDERR_SURFACELOST);
    EXPECT_EQ(LockOffscreen(), pf::DDERR_SURFACELOST);
}

TEST_F(Display, FlipSwapsTheSlotsAndARefusedFlipSchedulesTheRedraw) {
    EXPECT_EQ(DrawIndex, 0);
    EXPECT_EQ(ShownIndex, 1);
    RedrawPending = 0;
    RedrawCount = 1;
    EXPECT_EQ(FlipScreen(), 1);
    EXPECT_EQ(DrawIndex, 1);
    EXPECT_EQ(ShownIndex, 0);
    EXPECT_EQ(RedrawPending, 0);

    pf::core::AddFault("Surface_Flip", 1, pf::DDERR_SURFACELOST);
    const unsigned flips = backend.flips;
    EXPECT_EQ(FlipScreen(), 0);
    EXPECT_EQ(DrawIndex, 1);
    EXPECT_EQ(ShownIndex, 0);
    EXPECT_EQ(RedrawPending, 1);
    EXPECT_EQ(RedrawCount, 0);
    EXPECT_EQ(backend.flips, flips);

    EXPECT_EQ(FlipScreen(), 1);
    EXPECT_EQ(DrawIndex, 0);
    EXPECT_EQ(ShownIndex, 1);
}

TEST_F(Display, FlipWaitsForThePreviousFlip) {
    pf::core::AddFault("Surface_GetFlipStatus", 1, pf::DDERR_WASSTILLDRAWING);
    pf::core::AddFault("Surface_GetFlipStatus", 2, pf::DDERR_WASSTILLDRAWING);
    pf::core::AddFault("Surface_GetFlipStatus", 3, pf::DDERR_WASSTILLDRAWING);
    const unsigned flips = backend.flips;
    EXPECT_EQ(FlipScreen(), 1);
    EXPECT_EQ(backend.flips, flips + 1);
}

TEST_F(Display, WaitFrameKeepsTwentySevenMillisecondsAcrossTheCounterWrap) {
    backend.now = 0xFFFFFFF0u;
    FrameTime = pf::GetTickCount();
    const uint32_t start = FrameTime;
    WaitFrame();
    EXPECT_GE(static_cast<uint32_t>(FrameTime - start), 27u);
    EXPECT_LE(static_cast<uint32_t>(FrameTime - start), 29u);
    EXPECT_LT(FrameTime, 0x100u) << "the counter wrapped";

    // After a long frame the wait ends at the first reading and restarts.
    backend.now = FrameTime + 100;
    const unsigned ticks = backend.ticks;
    WaitFrame();
    EXPECT_EQ(backend.ticks - ticks, 2u);
}

TEST_F(Display, InitialisationShowsBothBuffersCleared) {
    // Start-up cleared and flipped both buffers: the slots are 0 / 1 and
    // the back buffer is black.
    EXPECT_EQ(BackPixel(400, 300), 0);
    EXPECT_GE(backend.flips, 2u);
}

}  // namespace
