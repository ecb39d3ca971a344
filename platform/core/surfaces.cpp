// DirectDraw: the display object, software surfaces of 16-bit 5-6-5 pixels,
// colour fills, rectangle copies with a source colour key, locks, the flip
// chain and lost surfaces.
//
// Handles are checked against the live objects, so a released or foreign
// handle is refused (DDERR_INVALIDPARAMS) instead of being followed. A blit
// onto or from a locked surface, and a flip while either buffer is locked,
// return DDERR_SURFACEBUSY: the lock holder may be writing the pixels.
#include <algorithm>
#include <memory>
#include <unordered_set>
#include <vector>

#include "backend.h"
#include "blit.h"
#include "blit_rect.h"
#include "core_internal.h"
#include "pf/ddraw.h"

namespace pf {

const GUID IID_IDirectDraw2 = {0xB3A6F3E0, 0x2B43, 0x11CF, {0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};

struct SurfaceObject {
    DirectDrawObject* owner = nullptr;
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;  // width * height, rows of width pixels
    ULONG references = 1;
    bool primary = false;
    SurfaceObject* back = nullptr;     // the primary's back buffer
    SurfaceObject* frontOf = nullptr;  // the back buffer's primary
    bool keyed = false;
    uint16_t keyLow = 0;
    uint16_t keyHigh = 0;
    bool locked = false;
    bool lost = false;

    ptrdiff_t Pitch() const { return width; }
};

struct DirectDrawObject {
    ULONG references = 1;
    HWND window = nullptr;
    DWORD cooperation = 0;
    int modeWidth = 800;
    int modeHeight = 600;
    int modeBpp = 16;
    std::vector<SurfaceObject*> surfaces;
};

namespace {

constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr DWORD DDBLTFAST_WAIT = 0x10;
constexpr int kMaxSurfaceSide = 4096;

std::unordered_set<DirectDrawObject*> LiveDraws;
std::unordered_set<SurfaceObject*> LiveSurfaces;

bool Live(DirectDrawObject* object) { return object != nullptr && LiveDraws.count(object) != 0; }
bool Live(SurfaceObject* surface) {
    return surface != nullptr && LiveSurfaces.count(surface) != 0;
}

SurfaceObject* NewSurface(DirectDrawObject* owner, int width, int height) {
    auto* surface = new SurfaceObject;
    surface->owner = owner;
    surface->width = width;
    surface->height = height;
    surface->pixels.assign(static_cast<size_t>(width) * height, 0);
    LiveSurfaces.insert(surface);
    owner->surfaces.push_back(surface);
    return surface;
}

void DestroySurface(SurfaceObject* surface) {
    if (!Live(surface)) return;
    LiveSurfaces.erase(surface);
    DirectDrawObject* owner = surface->owner;
    if (Live(owner)) {
        auto& list = owner->surfaces;
        list.erase(std::remove(list.begin(), list.end(), surface), list.end());
    }
    if (Live(surface->frontOf)) surface->frontOf->back = nullptr;
    SurfaceObject* back = surface->back;
    if (back != nullptr) back->frontOf = nullptr;
    delete surface;
    if (back != nullptr) DestroySurface(back);
}

void DestroyDraw(DirectDrawObject* object) {
    while (!object->surfaces.empty()) DestroySurface(object->surfaces.back());
    LiveDraws.erase(object);
    delete object;
}

}  // namespace

HRESULT DirectDrawCreate(const GUID* /*driver*/, LPDIRECTDRAW* out, void* outer) {
    int32_t code = 0;
    if (core::FaultDue("DirectDrawCreate", &code)) {
        if (out != nullptr) *out = nullptr;
        return code;
    }
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (outer != nullptr) return DDERR_INVALIDPARAMS;
    auto* object = new DirectDrawObject;
    LiveDraws.insert(object);
    *out = object;
    return DD_OK;
}

HRESULT DirectDraw_QueryInterface(LPDIRECTDRAW object, const GUID& iid, LPDIRECTDRAW2* out) {
    int32_t code = 0;
    if (core::FaultDue("DirectDraw_QueryInterface", &code)) {
        if (out != nullptr) *out = nullptr;
        return code;
    }
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!Live(object)) return DDERR_INVALIDPARAMS;
    if (!(iid == IID_IDirectDraw2)) return E_NOINTERFACE;
    ++object->references;
    *out = object;
    return DD_OK;
}

ULONG DirectDraw_Release(LPDIRECTDRAW object) {
    int32_t code = 0;
    if (core::FaultDue("DirectDraw_Release", &code)) return 0;
    if (!Live(object)) return 0;
    if (--object->references > 0) return object->references;
    DestroyDraw(object);
    return 0;
}

HRESULT DirectDraw_SetCooperativeLevel(LPDIRECTDRAW2 object, HWND window, DWORD flags) {
    int32_t code = 0;
    if (core::FaultDue("DirectDraw_SetCooperativeLevel", &code)) return code;
    if (!Live(object)) return DDERR_INVALIDPARAMS;
    // Exclusive (full-screen) use needs the window that owns the display.
    if ((flags & DDSCL_EXCLUSIVE) != 0 && (window == nullptr || (flags & DDSCL_FULLSCREEN) == 0))
        return DDERR_INVALIDPARAMS;
    object->window = window;
    object->cooperation = flags;
    return DD_OK;
}

HRESULT DirectDraw_SetDisplayMode(LPDIRECTDRAW2 object, DWORD width, DWORD height, DWORD bpp,
                                  DWORD /*refreshRate*/, DWORD /*flags*/) {
    int32_t code = 0;
    if (core::FaultDue("DirectDraw_SetDisplayMode", &code)) return code;
    if (!Live(object)) return DDERR_INVALIDPARAMS;
    // The surfaces are 16-bit software surfaces; other depths are not offered.
    if (bpp != 16 || width == 0 || height == 0 || width > kMaxSurfaceSide ||
        height > kMaxSurfaceSide)
        return DDERR_INVALIDPARAMS;
    if (!core::CurrentBackend().SetDisplayMode(static_cast<int>(width), static_cast<int>(height),
                                               static_cast<int>(bpp)))
        return DDERR_GENERIC;
    const bool changed = object->modeWidth != static_cast<int>(width) ||
                         object->modeHeight != static_cast<int>(height);
    object->modeWidth = static_cast<int>(width);
    object->modeHeight = static_cast<int>(height);
    object->modeBpp = static_cast<int>(bpp);
    // A mode change takes the memory of every surface.
    if (changed)
        for (SurfaceObject* surface : object->surfaces) surface->lost = true;
    return DD_OK;
}

HRESULT DirectDraw_CreateSurface(LPDIRECTDRAW2 object, const DDSURFACEDESC* desc,
                                 LPDIRECTDRAWSURFACE* out, void* outer) {
    int32_t code = 0;
    if (core::FaultDue("DirectDraw_CreateSurface", &code)) {
        if (out != nullptr) *out = nullptr;
        return code;
    }
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!Live(object) || desc == nullptr || outer != nullptr || (desc->dwFlags & DDSD_CAPS) == 0)
        return DDERR_INVALIDPARAMS;
    const DWORD caps = desc->ddsCaps.dwCaps;
    if ((caps & DDSCAPS_PRIMARYSURFACE) != 0) {
        for (SurfaceObject* surface : object->surfaces)
            if (surface->primary) return DDERR_INVALIDPARAMS;  // one primary per display
        DWORD backBuffers = 0;
        if ((desc->dwFlags & DDSD_BACKBUFFERCOUNT) != 0) backBuffers = desc->dwBackBufferCount;
        const bool flipping = (caps & DDSCAPS_FLIP) != 0;
        if (flipping != (backBuffers > 0)) return DDERR_INVALIDPARAMS;
        if (backBuffers > 1 || (flipping && (caps & DDSCAPS_COMPLEX) == 0))
            return DDERR_INVALIDPARAMS;
        SurfaceObject* primary = NewSurface(object, object->modeWidth, object->modeHeight);
        primary->primary = true;
        if (flipping) {
            SurfaceObject* back = NewSurface(object, object->modeWidth, object->modeHeight);
            back->references = 0;  // held by the primary until GetAttachedSurface
            back->frontOf = primary;
            primary->back = back;
        }
        *out = primary;
        return DD_OK;
    }
    if ((caps & DDSCAPS_OFFSCREENPLAIN) == 0) return DDERR_INVALIDPARAMS;
    if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT))
        return DDERR_INVALIDPARAMS;
    if (desc->dwWidth == 0 || desc->dwHeight == 0 || desc->dwWidth > kMaxSurfaceSide ||
        desc->dwHeight > kMaxSurfaceSide)
        return DDERR_INVALIDPARAMS;
    *out = NewSurface(object, static_cast<int>(desc->dwWidth), static_cast<int>(desc->dwHeight));
    return DD_OK;
}

HRESULT Surface_GetAttachedSurface(LPDIRECTDRAWSURFACE surface, const DDSCAPS* caps,
                                   LPDIRECTDRAWSURFACE* out) {
    int32_t code = 0;
    if (core::FaultDue("Surface_GetAttachedSurface", &code)) {
        if (out != nullptr) *out = nullptr;
        return code;
    }
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!Live(surface) || caps == nullptr) return DDERR_INVALIDPARAMS;
    if ((caps->dwCaps & DDSCAPS_BACKBUFFER) == 0 || surface->back == nullptr)
        return DDERR_NOTFOUND;
    ++surface->back->references;
    *out = surface->back;
    return DD_OK;
}

HRESULT Surface_Blt(LPDIRECTDRAWSURFACE surface, const RECT* dest, LPDIRECTDRAWSURFACE /*source*/,
                    const RECT* /*sourceRect*/, DWORD flags, const DDBLTFX* fx) {
    int32_t code = 0;
    if (core::FaultDue("Surface_Blt", &code)) {
        // A loss reported by an injected fault is a real one: every surface
        // loses its memory, as a mode change by another program would do.
        if (code == DDERR_SURFACELOST) core::LoseSurfaces();
        return code;
    }
    if (!Live(surface) || (flags & DDBLT_COLORFILL) == 0 || fx == nullptr ||
        (flags & ~(DDBLT_COLORFILL | DDBLT_WAIT)) != 0)
        return DDERR_INVALIDPARAMS;
    if (surface->lost) return DDERR_SURFACELOST;
    if (surface->locked) return DDERR_SURFACEBUSY;
    RECT area = {0, 0, surface->width, surface->height};
    if (dest != nullptr) {
        if (!core::RectInside(*dest, surface->width, surface->height)) return DDERR_INVALIDRECT;
        area = *dest;
    }
    core::FillPixels(surface->pixels.data() + area.top * surface->Pitch() + area.left,
                     surface->Pitch(), area.right - area.left, area.bottom - area.top,
                     static_cast<uint16_t>(fx->dwFillColor));
    return DD_OK;
}

HRESULT Surface_BltFast(LPDIRECTDRAWSURFACE surface, DWORD x, DWORD y,
                        LPDIRECTDRAWSURFACE source, const RECT* sourceRect, DWORD transFlags) {
    int32_t code = 0;
    if (core::FaultDue("Surface_BltFast", &code)) return code;
    if (!Live(surface) || !Live(source) ||
        (transFlags & ~(DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT)) != 0)
        return DDERR_INVALIDPARAMS;
    if (surface->lost || source->lost) return DDERR_SURFACELOST;
    if (surface->locked || source->locked) return DDERR_SURFACEBUSY;
    RECT from = {};
    if (!core::CopyFits(x, y, sourceRect, source->width, source->height, surface->width,
                        surface->height, &from))
        return DDERR_INVALIDRECT;
    const int width = from.right - from.left;
    const int height = from.bottom - from.top;
    const bool keyed = (transFlags & DDBLTFAST_SRCCOLORKEY) != 0;
    if (keyed && !source->keyed) return DDERR_NOCOLORKEY;
    uint16_t* to = surface->pixels.data() + static_cast<ptrdiff_t>(y) * surface->Pitch() + x;
    const uint16_t* pixels = source->pixels.data() + from.top * source->Pitch() + from.left;
    if (keyed)
        core::CopyPixelsKeyed(to, surface->Pitch(), pixels, source->Pitch(), width, height,
                              source->keyLow, source->keyHigh);
    else
        core::CopyPixels(to, surface->Pitch(), pixels, source->Pitch(), width, height);
    return DD_OK;
}

HRESULT Surface_SetColorKey(LPDIRECTDRAWSURFACE surface, DWORD flags, const DDCOLORKEY* key) {
    int32_t code = 0;
    if (core::FaultDue("Surface_SetColorKey", &code)) return code;
    if (!Live(surface) || flags != DDCKEY_SRCBLT) return DDERR_INVALIDPARAMS;
    if (key == nullptr) {  // removes the key
        surface->keyed = false;
        return DD_OK;
    }
    if (key->dwColorSpaceLowValue > 0xFFFF || key->dwColorSpaceHighValue > 0xFFFF)
        return DDERR_INVALIDPARAMS;
    surface->keyed = true;
    surface->keyLow = static_cast<uint16_t>(key->dwColorSpaceLowValue);
    // A high value below the low one names the single low colour.
    surface->keyHigh = static_cast<uint16_t>(
        std::max(key->dwColorSpaceLowValue, key->dwColorSpaceHighValue));
    return DD_OK;
}

HRESULT Surface_Lock(LPDIRECTDRAWSURFACE surface, const RECT* rect, DDSURFACEDESC* desc,
                     DWORD /*flags*/, void* event) {
    int32_t code = 0;
    if (core::FaultDue("Surface_Lock", &code)) return code;
    if (!Live(surface) || rect != nullptr || desc == nullptr || event != nullptr)
        return DDERR_INVALIDPARAMS;
    if (surface->lost) return DDERR_SURFACELOST;
    if (surface->locked) return DDERR_SURFACEBUSY;
    surface->locked = true;
    desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_CAPS;
    desc->dwWidth = static_cast<DWORD>(surface->width);
    desc->dwHeight = static_cast<DWORD>(surface->height);
    desc->lPitch = static_cast<LONG>(surface->Pitch() * sizeof(uint16_t));
    desc->lpSurface = surface->pixels.data();
    desc->ddsCaps.dwCaps = surface->primary         ? DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP
                           : surface->frontOf != nullptr ? DDSCAPS_BACKBUFFER | DDSCAPS_FLIP
                                                         : DDSCAPS_OFFSCREENPLAIN;
    return DD_OK;
}

HRESULT Surface_Unlock(LPDIRECTDRAWSURFACE surface, void* /*rect*/) {
    int32_t code = 0;
    if (core::FaultDue("Surface_Unlock", &code)) return code;
    if (!Live(surface)) return DDERR_INVALIDPARAMS;
    if (!surface->locked) return DDERR_NOTLOCKED;
    surface->locked = false;
    return DD_OK;
}

HRESULT Surface_GetFlipStatus(LPDIRECTDRAWSURFACE surface, DWORD flags) {
    core::PumpPoint();
    core::CurrentBackend().Ticks(core::TickReason::FlipStatus);
    int32_t code = 0;
    if (core::FaultDue("Surface_GetFlipStatus", &code)) return code;
    if (!Live(surface) || (surface->primary == false && surface->frontOf == nullptr))
        return DDERR_INVALIDPARAMS;
    if (flags != DDGFS_ISFLIPDONE) return DDERR_INVALIDPARAMS;
    if (surface->lost) return DDERR_SURFACELOST;
    return core::CurrentBackend().FlipDone() ? DD_OK : DDERR_WASSTILLDRAWING;
}

HRESULT Surface_Flip(LPDIRECTDRAWSURFACE primary, LPDIRECTDRAWSURFACE overrideSurface,
                     DWORD /*flags*/) {
    core::PumpPoint();
    int32_t code = 0;
    if (core::FaultDue("Surface_Flip", &code)) return code;
    if (!Live(primary) || !primary->primary || primary->back == nullptr) return DDERR_INVALIDPARAMS;
    if (overrideSurface != nullptr && overrideSurface != primary->back) return DDERR_INVALIDPARAMS;
    SurfaceObject* back = primary->back;
    if (primary->lost || back->lost) return DDERR_SURFACELOST;
    if (primary->locked || back->locked) return DDERR_SURFACEBUSY;
    // A page flip: the back buffer's picture is shown, and the back buffer
    // then holds the picture that was on screen.
    primary->pixels.swap(back->pixels);
    core::CurrentBackend().Present(primary->pixels.data(), static_cast<int>(primary->Pitch()));
    return DD_OK;
}

HRESULT Surface_Restore(LPDIRECTDRAWSURFACE surface) {
    int32_t code = 0;
    if (core::FaultDue("Surface_Restore", &code)) return code;
    if (!Live(surface)) return DDERR_INVALIDPARAMS;
    // Restoring gives the memory back, not the picture it held; restoring
    // the primary restores its back buffer with it.
    for (SurfaceObject* part : {surface, surface->back}) {
        if (part == nullptr || !part->lost) continue;
        std::fill(part->pixels.begin(), part->pixels.end(), uint16_t{0});
        part->lost = false;
    }
    return DD_OK;
}

ULONG Surface_Release(LPDIRECTDRAWSURFACE surface) {
    int32_t code = 0;
    if (core::FaultDue("Surface_Release", &code)) return 0;
    if (!Live(surface)) return 0;
    if (surface->references > 0) --surface->references;
    // The back buffer lives as long as its primary.
    if (surface->references > 0 || surface->frontOf != nullptr) return surface->references;
    DestroySurface(surface);
    return 0;
}

namespace core {

void LoseSurfaces() {
    for (SurfaceObject* surface : LiveSurfaces) surface->lost = true;
}

void ResetSurfaces() {
    while (!LiveDraws.empty()) DestroyDraw(*LiveDraws.begin());
}

}  // namespace core
}  // namespace pf
