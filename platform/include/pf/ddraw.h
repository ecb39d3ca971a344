// The display: a DirectDraw-shaped object with a flipping primary surface, its
// back buffer and offscreen plain surfaces, all 800x600 at 16 bits (5-6-5).
//
// Surfaces are software surfaces in the core; a flip hands the back buffer to
// the backend, which shows it (SDL2) or records it (headless). Every operation
// returns DD_OK, one of the named errors, or E_FAIL.
//
// While a surface is locked, blits onto or from it and flips of its chain
// return DDERR_SURFACEBUSY. A lost surface (a mode change, LoseSurfaces in
// the core) fails with DDERR_SURFACELOST until Restore, and comes back black.
#pragma once

#include "pf/types.h"

namespace pf {

struct DirectDrawObject;
struct SurfaceObject;
using LPDIRECTDRAW = DirectDrawObject*;   // first-version object
using LPDIRECTDRAW2 = DirectDrawObject*;  // the interface the game keeps
using LPDIRECTDRAWSURFACE = SurfaceObject*;

constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDERR_SURFACELOST = static_cast<HRESULT>(0x887601C2u);
constexpr HRESULT DDERR_WASSTILLDRAWING = static_cast<HRESULT>(0x8876021Cu);
constexpr HRESULT DDERR_GENERIC = E_FAIL;
constexpr HRESULT DDERR_INVALIDRECT = static_cast<HRESULT>(0x88760096u);
constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DDERR_SURFACEBUSY = static_cast<HRESULT>(0x887601CCu);
constexpr HRESULT DDERR_NOTLOCKED = static_cast<HRESULT>(0x887601E6u);
constexpr HRESULT DDERR_NOTFOUND = static_cast<HRESULT>(0x887600FFu);
constexpr HRESULT DDERR_NOCOLORKEY = static_cast<HRESULT>(0x887600D7u);

extern const GUID IID_IDirectDraw2;  // B3A6F3E0-2B43-11CF-A2DE-00AA00B93356

// Cooperative level.
constexpr DWORD DDSCL_FULLSCREEN = 0x01;
constexpr DWORD DDSCL_ALLOWREBOOT = 0x02;
constexpr DWORD DDSCL_EXCLUSIVE = 0x10;

// Surface description flags and capabilities.
constexpr DWORD DDSD_CAPS = 0x1;
constexpr DWORD DDSD_HEIGHT = 0x2;
constexpr DWORD DDSD_WIDTH = 0x4;
constexpr DWORD DDSD_PITCH = 0x8;
constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x20;
constexpr DWORD DDSCAPS_BACKBUFFER = 0x4;
constexpr DWORD DDSCAPS_COMPLEX = 0x8;
constexpr DWORD DDSCAPS_FLIP = 0x10;
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x200;

// Blits.
constexpr DWORD DDBLT_COLORFILL = 0x400;
constexpr DWORD DDBLT_WAIT = 0x1000000;
constexpr DWORD DDBLTFAST_NOCOLORKEY = 0x0;
constexpr DWORD DDBLTFAST_SRCCOLORKEY = 0x1;

// Colour key, flip status.
constexpr DWORD DDCKEY_SRCBLT = 0x8;
constexpr DWORD DDGFS_ISFLIPDONE = 0x2;

struct DDSCAPS {
    DWORD dwCaps;
};

struct DDSURFACEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;
    DWORD dwBackBufferCount;
    void* lpSurface;
    DDSCAPS ddsCaps;
};

struct DDBLTFX {
    DWORD dwSize;
    DWORD dwFillColor;
};

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
};

HRESULT DirectDrawCreate(const GUID* driver, LPDIRECTDRAW* out, void* outer);
HRESULT DirectDraw_QueryInterface(LPDIRECTDRAW object, const GUID& iid, LPDIRECTDRAW2* out);
ULONG DirectDraw_Release(LPDIRECTDRAW object);
HRESULT DirectDraw_SetCooperativeLevel(LPDIRECTDRAW2 object, HWND window, DWORD flags);
HRESULT DirectDraw_SetDisplayMode(LPDIRECTDRAW2 object, DWORD width, DWORD height, DWORD bpp,
                                  DWORD refreshRate, DWORD flags);
HRESULT DirectDraw_CreateSurface(LPDIRECTDRAW2 object, const DDSURFACEDESC* desc,
                                 LPDIRECTDRAWSURFACE* out, void* outer);

HRESULT Surface_GetAttachedSurface(LPDIRECTDRAWSURFACE surface, const DDSCAPS* caps,
                                   LPDIRECTDRAWSURFACE* out);
// Colour fill (DDBLT_COLORFILL with fx->dwFillColor); dest == nullptr fills
// the whole surface. Other blit kinds are not supported and return
// DDERR_INVALIDPARAMS.
HRESULT Surface_Blt(LPDIRECTDRAWSURFACE surface, const RECT* dest, LPDIRECTDRAWSURFACE source,
                    const RECT* sourceRect, DWORD flags, const DDBLTFX* fx);
// Copies sourceRect of source to (x, y) of surface, keyed on the source's
// colour key with DDBLTFAST_SRCCOLORKEY. A rectangle that leaves either
// surface is refused whole with DDERR_INVALIDRECT.
HRESULT Surface_BltFast(LPDIRECTDRAWSURFACE surface, DWORD x, DWORD y,
                        LPDIRECTDRAWSURFACE source, const RECT* sourceRect, DWORD transFlags);
HRESULT Surface_SetColorKey(LPDIRECTDRAWSURFACE surface, DWORD flags, const DDCOLORKEY* key);
// Locks the whole surface (rect must be null); fills lpSurface and lPitch.
HRESULT Surface_Lock(LPDIRECTDRAWSURFACE surface, const RECT* rect, DDSURFACEDESC* desc,
                     DWORD flags, void* event);
HRESULT Surface_Unlock(LPDIRECTDRAWSURFACE surface, void* rect);
HRESULT Surface_GetFlipStatus(LPDIRECTDRAWSURFACE surface, DWORD flags);
HRESULT Surface_Flip(LPDIRECTDRAWSURFACE primary, LPDIRECTDRAWSURFACE overrideSurface,
                     DWORD flags);
HRESULT Surface_Restore(LPDIRECTDRAWSURFACE surface);
ULONG Surface_Release(LPDIRECTDRAWSURFACE surface);

}  // namespace pf
