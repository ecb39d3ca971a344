// The display as the game sets it up, for tests and benchmarks that draw
// without running the game's own start-up: the DirectDraw object, the
// flipping primary surface with its back buffer, and 800x600 plain surfaces
// (the picture sheet, keyed on colour 0). Each returns the first failing
// call's result, DD_OK when every call worked; the calls are the game's, in
// its order.
#pragma once

#include "game/rules.h"
#include "pf/ddraw.h"

namespace vxtest {

// DirectDrawCreate, then the IDirectDraw2 interface (the first object is
// released).
inline pf::HRESULT CreateDirectDraw(pf::LPDIRECTDRAW2* draw) {
    pf::LPDIRECTDRAW first = nullptr;
    pf::HRESULT result = pf::DirectDrawCreate(nullptr, &first, nullptr);
    if (result != pf::DD_OK) return result;
    result = pf::DirectDraw_QueryInterface(first, pf::IID_IDirectDraw2, draw);
    pf::DirectDraw_Release(first);
    return result;
}

// The flipping primary surface with one back buffer.
inline pf::HRESULT CreateFlippingPrimary(pf::LPDIRECTDRAW2 draw, pf::LPDIRECTDRAWSURFACE* primary,
                                         pf::LPDIRECTDRAWSURFACE* back) {
    pf::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = pf::DDSD_CAPS | pf::DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = pf::DDSCAPS_PRIMARYSURFACE | pf::DDSCAPS_FLIP | pf::DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    const pf::HRESULT result = pf::DirectDraw_CreateSurface(draw, &desc, primary, nullptr);
    if (result != pf::DD_OK) return result;
    pf::DDSCAPS caps = {pf::DDSCAPS_BACKBUFFER};
    return pf::Surface_GetAttachedSurface(*primary, &caps, back);
}

// A plain offscreen surface of the screen's size.
inline pf::HRESULT CreateScreenSizedSurface(pf::LPDIRECTDRAW2 draw, pf::LPDIRECTDRAWSURFACE* surface) {
    pf::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    desc.dwFlags = pf::DDSD_CAPS | pf::DDSD_HEIGHT | pf::DDSD_WIDTH;
    desc.ddsCaps.dwCaps = pf::DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = ScreenWidth;
    desc.dwHeight = ScreenHeight;
    return pf::DirectDraw_CreateSurface(draw, &desc, surface, nullptr);
}

// Copies from the surface skip colour 0, as from the game's picture sheet.
inline pf::HRESULT KeyOnBlack(pf::LPDIRECTDRAWSURFACE surface) {
    pf::DDCOLORKEY key = {0, 0};
    return pf::Surface_SetColorKey(surface, pf::DDCKEY_SRCBLT, &key);
}

}  // namespace vxtest
