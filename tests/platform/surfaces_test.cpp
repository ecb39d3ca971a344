// Surfaces: fills, keyed and opaque rectangle copies and the rectangles they
// refuse, locks, the flip chain, flip status and lost surfaces.
#include "core_fixture.h"

namespace coretest {
namespace {

using SurfaceTest = CoreTest;

TEST_F(SurfaceTest, LockGivesTheWholeSurfaceWithItsPitch) {
    MakeDisplay();
    pf::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    ASSERT_EQ(pf::Surface_Lock(sheet, nullptr, &desc, 0, nullptr), pf::DD_OK);
    EXPECT_EQ(desc.lPitch, 1600);
    EXPECT_EQ(desc.dwWidth, 800u);
    EXPECT_EQ(desc.dwHeight, 600u);
    ASSERT_NE(desc.lpSurface, nullptr);
    // A second lock is refused, as are blits touching the locked surface.
    pf::DDSURFACEDESC again = {};
    EXPECT_EQ(pf::Surface_Lock(sheet, nullptr, &again, 0, nullptr), pf::DDERR_SURFACEBUSY);
    pf::RECT r = {0, 0, 8, 8};
    EXPECT_EQ(pf::Surface_BltFast(back, 0, 0, sheet, &r, pf::DDBLTFAST_NOCOLORKEY),
              pf::DDERR_SURFACEBUSY);
    EXPECT_EQ(Fill(sheet, nullptr, 1), pf::DDERR_SURFACEBUSY);
    EXPECT_EQ(pf::Surface_Unlock(sheet, nullptr), pf::DD_OK);
    EXPECT_EQ(pf::Surface_Unlock(sheet, nullptr), pf::DDERR_NOTLOCKED);
    // Only whole-surface locks exist.
    EXPECT_EQ(pf::Surface_Lock(sheet, &r, &desc, 0, nullptr), pf::DDERR_INVALIDPARAMS);
}

TEST_F(SurfaceTest, ColourFillCoversTheWholeSurfaceOrTheRectangle) {
    MakeDisplay();
    EXPECT_EQ(Fill(back, nullptr, 0x1234, pf::DDBLT_COLORFILL | pf::DDBLT_WAIT), pf::DD_OK);
    EXPECT_EQ(Get(back, 0, 0), 0x1234);
    EXPECT_EQ(Get(back, 799, 599), 0x1234);
    const pf::RECT field = {10, 20, 30, 40};
    EXPECT_EQ(Fill(back, &field, 0xF800), pf::DD_OK);
    EXPECT_EQ(Get(back, 10, 20), 0xF800);
    EXPECT_EQ(Get(back, 29, 39), 0xF800);
    EXPECT_EQ(Get(back, 30, 39), 0x1234);
    EXPECT_EQ(Get(back, 29, 40), 0x1234);
    EXPECT_EQ(Get(back, 9, 20), 0x1234);
    // A rectangle of width 0 fills nothing and succeeds; one leaving the
    // surface or inverted is refused and fills nothing.
    const pf::RECT empty = {0, 0, 0, 600};
    EXPECT_EQ(Fill(back, &empty, 0x0001), pf::DD_OK);
    EXPECT_EQ(Get(back, 0, 0), 0x1234);
    for (const pf::RECT bad : {pf::RECT{0, 0, 801, 600}, pf::RECT{-1, 0, 10, 10},
                               pf::RECT{0, 0, 10, 601}, pf::RECT{20, 0, 10, 10}}) {
        EXPECT_EQ(Fill(back, &bad, 0x0001), pf::DDERR_INVALIDRECT);
    }
    EXPECT_EQ(Get(back, 0, 0), 0x1234);
    // Only colour fills are blits here.
    pf::DDBLTFX fx = {sizeof(pf::DDBLTFX), 0};
    EXPECT_EQ(pf::Surface_Blt(back, nullptr, sheet, nullptr, pf::DDBLT_WAIT, &fx),
              pf::DDERR_INVALIDPARAMS);
}

TEST_F(SurfaceTest, KeyedCopyLeavesKeyPixelsAndCopiesTheRest) {
    MakeDisplay();
    Fill(back, nullptr, 0x7777);
    // A 20x3 sprite with a transparent (0) pixel every third column, so the
    // vector loop and its tail both meet keyed pixels.
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 20; ++x) Set(sheet, 100 + x, 50 + y, x % 3 == 0 ? 0 : 0x0100 + x);
    const pf::RECT sprite = {100, 50, 120, 53};
    ASSERT_EQ(pf::Surface_BltFast(back, 5, 7, sheet, &sprite, pf::DDBLTFAST_SRCCOLORKEY), pf::DD_OK);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(Get(back, 5 + x, 7 + y), x % 3 == 0 ? 0x7777 : 0x0100 + x) << x << "," << y;
    EXPECT_EQ(Get(back, 25, 7), 0x7777);
    EXPECT_EQ(Get(back, 5, 10), 0x7777);
    // Opaque: the key pixels are copied too.
    ASSERT_EQ(pf::Surface_BltFast(back, 5, 7, sheet, &sprite, pf::DDBLTFAST_NOCOLORKEY), pf::DD_OK);
    EXPECT_EQ(Get(back, 5, 7), 0);
    EXPECT_EQ(Get(back, 6, 7), 0x0101);
}

TEST_F(SurfaceTest, KeyedCopyWithoutAKeyIsRefused) {
    MakeDisplay();
    pf::DDSURFACEDESC desc = {sizeof(pf::DDSURFACEDESC), pf::DDSD_CAPS | pf::DDSD_WIDTH | pf::DDSD_HEIGHT,
                              16, 16, 0, 0, nullptr, {pf::DDSCAPS_OFFSCREENPLAIN}};
    pf::LPDIRECTDRAWSURFACE plain = nullptr;
    ASSERT_EQ(pf::DirectDraw_CreateSurface(draw, &desc, &plain, nullptr), pf::DD_OK);
    EXPECT_EQ(pf::Surface_BltFast(back, 0, 0, plain, nullptr, pf::DDBLTFAST_SRCCOLORKEY),
              pf::DDERR_NOCOLORKEY);
    EXPECT_EQ(pf::Surface_BltFast(back, 0, 0, plain, nullptr, pf::DDBLTFAST_NOCOLORKEY), pf::DD_OK);
}

TEST_F(SurfaceTest, RectanglesCrossingAnEdgeAreRefusedWhole) {
    MakeDisplay();
    Fill(sheet, nullptr, 0x00FF);
    Fill(back, nullptr, 0);
    const pf::RECT sprite = {0, 0, 40, 20};
    struct Case {
        pf::DWORD x, y;
        pf::RECT source;
    };
    const Case cases[] = {
        {761, 0, sprite},                 // right edge of the destination
        {0, 581, sprite},                 // bottom edge
        {0xFFFFFFFFu, 0, sprite},         // a negative x as the game would pass it
        {0, 0xFFFFFFF0u, sprite},         // a negative y
        {0, 0, {-1, 0, 39, 20}},          // left of the source
        {0, 0, {0, -1, 40, 19}},          // above the source
        {0, 0, {770, 0, 810, 20}},        // right of the source
        {0, 0, {0, 590, 40, 610}},        // below the source
        {0, 0, {40, 0, 0, 20}},           // inverted
    };
    for (const Case& c : cases) {
        for (pf::DWORD flags : {pf::DDBLTFAST_SRCCOLORKEY, pf::DDBLTFAST_NOCOLORKEY})
            EXPECT_EQ(pf::Surface_BltFast(back, c.x, c.y, sheet, &c.source, flags),
                      pf::DDERR_INVALIDRECT)
                << c.x << "," << c.y << " " << c.source.left << "," << c.source.top;
    }
    // Nothing of any refused copy landed.
    pf::DDSURFACEDESC desc = {};
    ASSERT_EQ(pf::Surface_Lock(back, nullptr, &desc, 0, nullptr), pf::DD_OK);
    const auto* pixels = static_cast<const uint16_t*>(desc.lpSurface);
    size_t set = 0;
    for (size_t i = 0; i < 800u * 600u; ++i) set += pixels[i] != 0;
    pf::Surface_Unlock(back, nullptr);
    EXPECT_EQ(set, 0u);
    // Touching the edges exactly is fine.
    EXPECT_EQ(pf::Surface_BltFast(back, 760, 580, sheet, &sprite, pf::DDBLTFAST_NOCOLORKEY), pf::DD_OK);
    EXPECT_EQ(Get(back, 799, 599), 0x00FF);
}

TEST_F(SurfaceTest, OverlappingCopyWithinOneSurfaceKeepsTheSource) {
    MakeDisplay();
    for (int x = 0; x < 32; ++x) Set(sheet, x, 0, static_cast<uint16_t>(x + 1));
    const pf::RECT row = {0, 0, 32, 1};
    ASSERT_EQ(pf::Surface_BltFast(sheet, 3, 0, sheet, &row, pf::DDBLTFAST_SRCCOLORKEY), pf::DD_OK);
    for (int x = 0; x < 32; ++x) EXPECT_EQ(Get(sheet, 3 + x, 0), x + 1) << x;
}

TEST_F(SurfaceTest, FlipShowsTheBackBufferAndSwapsPictures) {
    MakeDisplay();
    Fill(back, nullptr, 0x1111);
    ASSERT_EQ(pf::Surface_Flip(primary, nullptr, 0), pf::DD_OK);
    EXPECT_EQ(backend.presents, 1);
    ASSERT_EQ(backend.presented.size(), 800u * 600u);
    EXPECT_EQ(backend.presented[0], 0x1111);
    EXPECT_EQ(Get(primary, 0, 0), 0x1111);
    EXPECT_EQ(Get(back, 0, 0), 0x0000);  // what was shown before
    Fill(back, nullptr, 0x2222);
    ASSERT_EQ(pf::Surface_Flip(primary, nullptr, 0), pf::DD_OK);
    EXPECT_EQ(backend.presented[0], 0x2222);
    EXPECT_EQ(Get(back, 0, 0), 0x1111);
    EXPECT_GE(backend.pumps, 2);  // a flip is an event pump point
    // Only the primary flips; a locked buffer cannot.
    EXPECT_EQ(pf::Surface_Flip(back, nullptr, 0), pf::DDERR_INVALIDPARAMS);
    pf::DDSURFACEDESC desc = {};
    ASSERT_EQ(pf::Surface_Lock(back, nullptr, &desc, 0, nullptr), pf::DD_OK);
    EXPECT_EQ(pf::Surface_Flip(primary, nullptr, 0), pf::DDERR_SURFACEBUSY);
    pf::Surface_Unlock(back, nullptr);
    EXPECT_EQ(backend.presents, 2);
}

TEST_F(SurfaceTest, FlipStatusAsksTheBackendAndPassesTime) {
    MakeDisplay();
    backend.flipDone = false;
    const pf::DWORD before = backend.now;
    EXPECT_EQ(pf::Surface_GetFlipStatus(back, pf::DDGFS_ISFLIPDONE), pf::DDERR_WASSTILLDRAWING);
    backend.flipDone = true;
    EXPECT_EQ(pf::Surface_GetFlipStatus(back, pf::DDGFS_ISFLIPDONE), pf::DD_OK);
    EXPECT_EQ(backend.now, before + 2);
    EXPECT_EQ(backend.reasons.back(), pf::core::TickReason::FlipStatus);
}

TEST_F(SurfaceTest, LostSurfacesFailUntilRestoredAndComeBackBlack) {
    MakeDisplay();
    Fill(sheet, nullptr, 0x4321);
    pf::core::LoseSurfaces();
    pf::DDSURFACEDESC desc = {};
    EXPECT_EQ(Fill(back, nullptr, 0), pf::DDERR_SURFACELOST);
    EXPECT_EQ(pf::Surface_Lock(sheet, nullptr, &desc, 0, nullptr), pf::DDERR_SURFACELOST);
    EXPECT_EQ(pf::Surface_BltFast(back, 0, 0, sheet, nullptr, pf::DDBLTFAST_NOCOLORKEY),
              pf::DDERR_SURFACELOST);
    EXPECT_EQ(pf::Surface_Flip(primary, nullptr, 0), pf::DDERR_SURFACELOST);
    // The game's restore order: primary (with its back buffer), back, sheet.
    EXPECT_EQ(pf::Surface_Restore(primary), pf::DD_OK);
    EXPECT_EQ(pf::Surface_Restore(back), pf::DD_OK);
    EXPECT_EQ(Fill(back, nullptr, 0), pf::DD_OK);
    EXPECT_EQ(pf::Surface_Lock(sheet, nullptr, &desc, 0, nullptr), pf::DDERR_SURFACELOST);
    EXPECT_EQ(pf::Surface_Restore(sheet), pf::DD_OK);
    EXPECT_EQ(Get(sheet, 0, 0), 0);  // the pictures are gone with the memory
    // A display mode change loses the surfaces too.
    ASSERT_EQ(pf::DirectDraw_SetDisplayMode(draw, 640, 480, 16, 0, 0), pf::DD_OK);
    EXPECT_EQ(Fill(sheet, nullptr, 0), pf::DDERR_SURFACELOST);
}

TEST_F(SurfaceTest, ReleasedSurfacesAreRefusedNotFollowed) {
    MakeDisplay();
    EXPECT_EQ(pf::Surface_Release(back), 0u);      // back buffer stays with its primary
    EXPECT_EQ(Fill(back, nullptr, 1), pf::DD_OK);
    EXPECT_EQ(pf::Surface_Release(primary), 0u);   // takes the back buffer along
    EXPECT_EQ(Fill(back, nullptr, 1), pf::DDERR_INVALIDPARAMS);
    EXPECT_EQ(pf::Surface_Flip(primary, nullptr, 0), pf::DDERR_INVALIDPARAMS);
    // The DirectDraw object takes the sheet along.
    EXPECT_EQ(pf::DirectDraw_Release(draw), 0u);
    EXPECT_EQ(Fill(sheet, nullptr, 1), pf::DDERR_INVALIDPARAMS);
    EXPECT_EQ(pf::Surface_BltFast(nullptr, 0, 0, nullptr, nullptr, 0), pf::DDERR_INVALIDPARAMS);
}

TEST_F(SurfaceTest, SetUpRefusesWhatTheDisplayCannotDo) {
    pf::LPDIRECTDRAW object = nullptr;
    ASSERT_EQ(pf::DirectDrawCreate(nullptr, &object, nullptr), pf::DD_OK);
    pf::LPDIRECTDRAW2 other = reinterpret_cast<pf::LPDIRECTDRAW2>(&backend);
    const pf::GUID unknown = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_NE(pf::DirectDraw_QueryInterface(object, unknown, &other), pf::DD_OK);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(pf::DirectDraw_SetDisplayMode(object, 800, 600, 32, 0, 0), pf::DDERR_INVALIDPARAMS);
    pf::DDSURFACEDESC desc = {};
    desc.dwFlags = pf::DDSD_CAPS | pf::DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = pf::DDSCAPS_PRIMARYSURFACE | pf::DDSCAPS_FLIP | pf::DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 2;
    pf::LPDIRECTDRAWSURFACE surface = nullptr;
    EXPECT_EQ(pf::DirectDraw_CreateSurface(object, &desc, &surface, nullptr), pf::DDERR_INVALIDPARAMS);
    desc.dwBackBufferCount = 1;
    EXPECT_EQ(pf::DirectDraw_CreateSurface(object, &desc, &surface, nullptr), pf::DD_OK);
    pf::LPDIRECTDRAWSURFACE attached = nullptr;
    pf::DDSCAPS caps = {pf::DDSCAPS_BACKBUFFER};
    ASSERT_EQ(pf::Surface_GetAttachedSurface(surface, &caps, &attached), pf::DD_OK);
    EXPECT_EQ(pf::Surface_GetAttachedSurface(attached, &caps, &surface), pf::DDERR_NOTFOUND);
    EXPECT_EQ(surface, nullptr);
}

}  // namespace
}  // namespace coretest
