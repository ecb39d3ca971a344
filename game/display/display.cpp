// The display layer: 800x600x16 through the DirectDraw-shaped platform,
// sprite copies from the offscreen sheet, clears, flips, frame pacing and
// lost surfaces.
#include "game/display/display.h"

#include <cstring>

#include "game/shell/shell.h"

namespace {

constexpr uint32_t FramePeriodMs = 27;

// A copy of the sheet as the last asset load left it, taken when the sheet
// is unlocked. Restoring a lost surface brings its memory back, not its
// pictures; the copy puts the pictures of the set in use back at once, so
// play goes on with its blocks, ship and balls (the level's state, score and
// balls are untouched: only pixels are copied).
constexpr int SheetWidth = 800;
constexpr int SheetHeight = 600;
uint16_t SheetCopy[SheetWidth * SheetHeight];
bool SheetCopyHeld = false;

void KeepSheetCopy() {
    if (OffscreenBits == nullptr || OffscreenPitch < SheetWidth * 2) return;
    const auto* row = reinterpret_cast<const uint8_t*>(OffscreenBits);
    for (int y = 0; y < SheetHeight; ++y, row += OffscreenPitch)
        std::memcpy(SheetCopy + y * SheetWidth, row, SheetWidth * 2);
    SheetCopyHeld = true;
}

// Writes the kept copy back into the restored sheet.
void PutBackSheet() {
    if (!SheetCopyHeld) return;
    pf::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    do {
        DDResult = pf::Surface_Lock(OffscreenSurface, nullptr, &desc, 0, nullptr);
    } while (DDResult == pf::DDERR_WASSTILLDRAWING);
    if (DDResult != pf::DD_OK) return;
    if (desc.lpSurface != nullptr && desc.lPitch >= SheetWidth * 2) {
        auto* row = static_cast<uint8_t*>(desc.lpSurface);
        for (int y = 0; y < SheetHeight; ++y, row += desc.lPitch)
            std::memcpy(row, SheetCopy + y * SheetWidth, SheetWidth * 2);
    }
    DDResult = pf::Surface_Unlock(OffscreenSurface, nullptr);
}

// One colour fill of colour 0, with the lost-surface and busy-blitter
// handling that both clears share.
void FillBlack(pf::LPDIRECTDRAWSURFACE surface, const pf::RECT* area) {
    pf::DDBLTFX fx = {};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0;
    for (;;) {
        DDResult = pf::Surface_Blt(surface, area, nullptr, nullptr, pf::DDBLT_COLORFILL, &fx);
        if (DDResult == pf::DDERR_SURFACELOST) {
            // The restore's result stays in DDResult; the pictures come back
            // only after a restore that succeeded.
            const pf::HRESULT restored = RestoreSurfaces();
            if (restored == pf::DD_OK) {
                PutBackSheet();
                // Both buffers came back empty: the static parts again.
                RedrawPending = 1;
                RedrawCount = 0;
            }
            DDResult = restored;
            return;
        }
        if (DDResult != pf::DDERR_WASSTILLDRAWING) return;
    }
}

}  // namespace

int InitDDraw() {
    DDResult = pf::DirectDrawCreate(nullptr, &DDrawFirst, nullptr);
    if (DDResult != pf::DD_OK)
        return ReportError("[InitDDraw] Unable to create DirectDraw Object\n");

    DDResult = pf::DirectDraw_QueryInterface(DDrawFirst, pf::IID_IDirectDraw2, &DDraw);
    if (DDraw == nullptr) return ReportError("[InitDDraw] Unable to create DirectDraw3 Object\n");

    pf::DirectDraw_Release(DDrawFirst);
    DDrawFirst = nullptr;

    DDResult = pf::DirectDraw_SetCooperativeLevel(
        DDraw, GameWindow, pf::DDSCL_EXCLUSIVE | pf::DDSCL_FULLSCREEN | pf::DDSCL_ALLOWREBOOT);
    if (DDResult != pf::DD_OK) return ReportError("[InitDDraw] SetCooperativeLevel Failed\n");

    DDResult = pf::DirectDraw_SetDisplayMode(DDraw, ScreenWidth, ScreenHeight, 16, 0, 0);
    if (DDResult != pf::DD_OK) return ReportError("[InitDDraw] SetDisplayMode Failed\n");

    pf::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = pf::DDSD_CAPS | pf::DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = pf::DDSCAPS_PRIMARYSURFACE | pf::DDSCAPS_FLIP | pf::DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    DDResult = pf::DirectDraw_CreateSurface(DDraw, &desc, &PrimarySurface, nullptr);
    if (DDResult != pf::DD_OK) return ReportError("[InitDDraw] Unable to create primary surface\n");

    pf::DDSCAPS caps = {pf::DDSCAPS_BACKBUFFER};
    DDResult = pf::Surface_GetAttachedSurface(PrimarySurface, &caps, &BackBuffer);
    if (DDResult != pf::DD_OK) return ReportError("[InitDDraw] Unable to create backbuffer\n");

    pf::DDBLTFX fx = {};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0;
    DDResult = pf::Surface_Blt(BackBuffer, nullptr, nullptr, nullptr,
                               pf::DDBLT_COLORFILL | pf::DDBLT_WAIT, &fx);

    desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = pf::DDSD_CAPS | pf::DDSD_HEIGHT | pf::DDSD_WIDTH;
    desc.ddsCaps.dwCaps = pf::DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = ScreenWidth;
    desc.dwHeight = ScreenHeight;
    DDResult = pf::DirectDraw_CreateSurface(DDraw, &desc, &OffscreenSurface, nullptr);
    if (DDResult != pf::DD_OK)
        return ReportError("[InitDDraw] Unable to create Offscreen Surface\n");

    pf::DDCOLORKEY key = {0, 0};
    DDResult = pf::Surface_SetColorKey(OffscreenSurface, pf::DDCKEY_SRCBLT, &key);
    if (DDResult != pf::DD_OK) return ReportError("[InitDDraw] Unable to set color key\n");
    DDResult = pf::Surface_SetColorKey(PrimarySurface, pf::DDCKEY_SRCBLT, &key);
    if (DDResult != pf::DD_OK) return ReportError("[InitDDraw] Unable to set color key\n");

    // Both buffers cleared and shown once.
    FrameTime = pf::GetTickCount();
    WaitFrame();
    ClearScreen();
    WaitFrame();
    FlipScreen();
    WaitFrame();
    ClearScreen();
    WaitFrame();
    FlipScreen();

    DrawIndex = 0;
    ShownIndex = 1;
    return 1;
}

void ClearScreen() {
    if (GameState == GS_PLAYING) {
        // While playing only the play field is cleared; the side panel keeps
        // what was drawn into each buffer.
        pf::RECT field = {0, 0, TbarSprite.x, ScreenHeight};
        FillBlack(BackBuffer, &field);
    } else {
        FillBlack(BackBuffer, nullptr);
    }
}

void ClearOffscreen() { FillBlack(OffscreenSurface, nullptr); }

void DrawSprite(int x, int y, const pf::RECT& source, bool keyed) {
    DDResult = pf::Surface_BltFast(BackBuffer, static_cast<pf::DWORD>(x), static_cast<pf::DWORD>(y),
                                   OffscreenSurface, &source,
                                   keyed ? pf::DDBLTFAST_SRCCOLORKEY : pf::DDBLTFAST_NOCOLORKEY);
}

void DrawSprite(int x, int y, const Sprite& sprite, bool keyed) {
    const pf::RECT source = {sprite.x, sprite.y, sprite.x + sprite.width,
                             sprite.y + sprite.height};
    DrawSprite(x, y, source, keyed);
}

pf::HRESULT LockOffscreen() {
    pf::LONG pitch = 0;
    if (LockWholeSurface(OffscreenSurface, &OffscreenBits, &pitch) == pf::DD_OK)
        OffscreenPitch = pitch;
    return DDResult;
}

pf::HRESULT LockWholeSurface(pf::LPDIRECTDRAWSURFACE surface, uint16_t** bits, pf::LONG* pitch) {
    pf::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    do {
        DDResult = pf::Surface_Lock(surface, nullptr, &desc, 0, nullptr);
    } while (DDResult == pf::DDERR_WASSTILLDRAWING);
    if (DDResult == pf::DD_OK) {
        *bits = static_cast<uint16_t*>(desc.lpSurface);
        *pitch = desc.lPitch;
    }
    return DDResult;
}

void UnlockOffscreen() {
    KeepSheetCopy();
    DDResult = pf::Surface_Unlock(OffscreenSurface, nullptr);
}

void UnlockBackBuffer() { DDResult = pf::Surface_Unlock(BackBuffer, nullptr); }

int FlipScreen() {
    // Wait until the previous flip has completed.
    do {
        DDResult = pf::Surface_GetFlipStatus(BackBuffer, pf::DDGFS_ISFLIPDONE);
    } while (DDResult == pf::DDERR_WASSTILLDRAWING);

    DDResult = pf::Surface_Flip(PrimarySurface, nullptr, 0);
    if (DDResult == pf::DD_OK) {
        ShownIndex = DrawIndex;
        DrawIndex = (DrawIndex + 1) % 2;
        return 1;
    }
    // The static parts must reach both buffers again.
    RedrawPending = 1;
    RedrawCount = 0;
    return 0;
}

void WaitFrame() {
    // The unsigned difference keeps the wait right across the counter's wrap.
    while (static_cast<uint32_t>(pf::GetTickCount() - FrameTime) < FramePeriodMs) {
    }
    FrameTime = pf::GetTickCount();
}

pf::HRESULT RestoreSurfaces() {
    DDResult = pf::Surface_Restore(PrimarySurface);
    if (DDResult == pf::DD_OK) DDResult = pf::Surface_Restore(BackBuffer);
    if (DDResult == pf::DD_OK) DDResult = pf::Surface_Restore(OffscreenSurface);
    return DDResult;
}
