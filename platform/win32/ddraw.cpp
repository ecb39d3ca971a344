// DirectDraw: the real DirectDraw object, its IDirectDraw2 interface and
// first-version surfaces. The seam's handles are the real interface pointers;
// its records are copied into the real ones (and back, for a lock), and every
// result is the real one, lost surfaces and busy blitters included.
//
// Two rules of the seam are kept here whatever the driver does:
// - BltFast refuses a rectangle that leaves either surface whole, with
//   DDERR_INVALIDRECT, before the driver sees it (drivers differ: some clip).
// - A fill that the driver accepts on a surface that IsLost reports lost is
//   answered "surface lost" (Wine's fill on a lost surface answers success).
// - A flip completes at the display's refresh. A driver that reports a flip
//   done at once (Wine on a virtual X screen has no refresh to wait for) gets
//   the refresh period added: the flip status stays "still drawing" until one
//   period has passed since the last flip, a query sleeping out the rest.
//
// The surface handles are records of the backend (screen_mode.h) holding the
// real surface: Alt+Enter puts new real surfaces behind the same handles.
#include <initializer_list>

#include "blit_rect.h"
#include "pacing.h"
#include "screen_mode.h"
#include "trace.h"
#include "win32.h"

namespace pf {

const GUID IID_IDirectDraw2 = {
    0xB3A6F3E0, 0x2B43, 0x11CF, {0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};

namespace {

::IDirectDraw* RealDraw(LPDIRECTDRAW object) { return reinterpret_cast<::IDirectDraw*>(object); }
::IDirectDraw2* RealDraw2(LPDIRECTDRAW2 object) {
    return reinterpret_cast<::IDirectDraw2*>(object);
}
// The surfaces handed out; a program makes three or four.
constexpr int kSurfaces = 16;
win32::Surface Surfaces[kSurfaces];

win32::Surface* Record(LPDIRECTDRAWSURFACE surface) {
    return reinterpret_cast<win32::Surface*>(surface);
}
::IDirectDrawSurface* Real(LPDIRECTDRAWSURFACE surface) {
    return surface != nullptr ? Record(surface)->real : nullptr;
}
// A record for a new real surface; null (the surface released) when every
// record is taken.
LPDIRECTDRAWSURFACE Seam(::IDirectDrawSurface* surface, win32::SurfaceRole role) {
    if (surface == nullptr) return nullptr;
    for (win32::Surface& record : Surfaces) {
        if (record.used) continue;
        record = win32::Surface{};
        record.real = surface;
        record.role = role;
        record.used = true;
        win32::SurfaceMade(&record);
        return reinterpret_cast<LPDIRECTDRAWSURFACE>(&record);
    }
    surface->Release();
    return nullptr;
}
// Lost by a display switch and not yet restored.
bool LostBySwitch(LPDIRECTDRAWSURFACE surface) {
    return surface != nullptr && Record(surface)->lost;
}

::GUID Real(const GUID& guid) {
    ::GUID real = {};
    real.Data1 = guid.data1;
    real.Data2 = guid.data2;
    real.Data3 = guid.data3;
    for (int i = 0; i < 8; ++i) real.Data4[i] = guid.data4[i];
    return real;
}

::RECT Real(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

// The seam's surface description as the real record (size field set).
::DDSURFACEDESC Real(const DDSURFACEDESC& desc) {
    ::DDSURFACEDESC real = {};
    real.dwSize = sizeof real;
    real.dwFlags = desc.dwFlags;
    real.dwHeight = desc.dwHeight;
    real.dwWidth = desc.dwWidth;
    real.lPitch = desc.lPitch;
    real.dwBackBufferCount = desc.dwBackBufferCount;
    real.lpSurface = desc.lpSurface;
    real.ddsCaps.dwCaps = desc.ddsCaps.dwCaps;
    return real;
}

void CopyOut(const ::DDSURFACEDESC& real, DDSURFACEDESC* desc) {
    desc->dwFlags = real.dwFlags;
    desc->dwHeight = real.dwHeight;
    desc->dwWidth = real.dwWidth;
    desc->lPitch = real.lPitch;
    desc->dwBackBufferCount = real.dwBackBufferCount;
    desc->lpSurface = real.lpSurface;
    desc->ddsCaps.dwCaps = real.ddsCaps.dwCaps;
}

// Width and height of a surface; false when the driver cannot say.
bool SurfaceSize(::IDirectDrawSurface* surface, LONG* width, LONG* height) {
    ::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    if (surface->GetSurfaceDesc(&desc) != DD_OK) return false;
    *width = static_cast<LONG>(desc.dwWidth);
    *height = static_cast<LONG>(desc.dwHeight);
    return true;
}

// The display's refresh period, in performance-counter counts (60 Hz where
// the display reports no rate).
int64_t RefreshPeriodCounts() {
    ::DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    ::DWORD hertz = 0;
    if (::EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode))
        hertz = mode.dmDisplayFrequency;
    if (hertz < 24 || hertz > 500) hertz = 60;
    ::LARGE_INTEGER frequency = {};
    ::QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart / hertz;
}

int64_t Now() {
    ::LARGE_INTEGER now = {};
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// When the last flip was accepted; 0 before the first.
int64_t LastFlip = 0;

}  // namespace

namespace {

using CreateFunction = ::HRESULT(WINAPI*)(::GUID*, ::IDirectDraw**, ::IUnknown*);

// Under Wine, DirectDraw draws through Wine's Direct3D, which by default
// hands every command to a thread of its own; that thread spins for a long
// moment after each command before it sleeps, so a game presenting a frame
// every 27 ms keeps it running all the time (a whole core for nothing).
// Unless the user chose otherwise (WINE_D3D_CONFIG), the commands are run on
// the calling thread instead. Wine reads the setting when its Direct3D is
// loaded: ddraw.dll is therefore loaded here, on first use, not at start-up.
void PrepareWine() {
    const ::HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr || ::GetProcAddress(ntdll, "wine_get_version") == nullptr) return;
    if (::GetEnvironmentVariableA("WINE_D3D_CONFIG", nullptr, 0) != 0) return;
    // The process environment, and the copy of each C runtime loaded
    // already (Wine's Direct3D reads its runtime's copy).
    ::SetEnvironmentVariableA("WINE_D3D_CONFIG", "csmt=0");
    static char setting[] = "WINE_D3D_CONFIG=csmt=0";
    for (const char* runtime : {"msvcrt.dll", "ucrtbase.dll"}) {
        const ::HMODULE module = ::GetModuleHandleA(runtime);
        if (module == nullptr) continue;
        using PutEnv = int(__cdecl*)(const char*);
        if (const auto put = reinterpret_cast<PutEnv>(
                reinterpret_cast<void*>(::GetProcAddress(module, "_putenv"))))
            put(setting);
    }
    win32::Trace("wine: Direct3D commands on the calling thread");
}

CreateFunction DirectDrawCreateFunction() {
    static CreateFunction create = nullptr;
    static bool looked = false;
    if (!looked) {
        looked = true;
        PrepareWine();
        if (const ::HMODULE ddraw = ::LoadLibraryA("ddraw.dll"))
            create = reinterpret_cast<CreateFunction>(
                reinterpret_cast<void*>(::GetProcAddress(ddraw, "DirectDrawCreate")));
    }
    return create;
}

}  // namespace

HRESULT DirectDrawCreate(const GUID* driver, LPDIRECTDRAW* out, void* outer) {
    const CreateFunction create = DirectDrawCreateFunction();
    if (create == nullptr) return DDERR_GENERIC;
    ::GUID realDriver = {};
    if (driver != nullptr) realDriver = Real(*driver);
    ::IDirectDraw* object = nullptr;
    const HRESULT result =
        create(driver != nullptr ? &realDriver : nullptr,
                           out != nullptr ? &object : nullptr, static_cast<::IUnknown*>(outer));
    if (out != nullptr) *out = reinterpret_cast<LPDIRECTDRAW>(object);
    return result;
}

HRESULT DirectDraw_QueryInterface(LPDIRECTDRAW object, const GUID& iid, LPDIRECTDRAW2* out) {
    const ::GUID realIid = Real(iid);
    void* queried = nullptr;
    const HRESULT result =
        RealDraw(object)->QueryInterface(realIid, out != nullptr ? &queried : nullptr);
    if (out != nullptr) *out = static_cast<LPDIRECTDRAW2>(queried);
    return result;
}

// The first-version object and IDirectDraw2 release alike (IUnknown).
ULONG DirectDraw_Release(LPDIRECTDRAW object) {
    const ULONG count = RealDraw(object)->Release();
    // The surfaces of the display's object go with it.
    if (count == 0 && win32::DisplayObjectReleased(reinterpret_cast<::IUnknown*>(object))) {
        for (win32::Surface& record : Surfaces)
            if (record.used && record.role != win32::SurfaceRole::Other) record = win32::Surface{};
    }
    return count;
}

HRESULT DirectDraw_SetCooperativeLevel(LPDIRECTDRAW2 object, HWND window, DWORD flags) {
    const HRESULT result =
        RealDraw2(object)->SetCooperativeLevel(reinterpret_cast<::HWND>(window), flags);
    if (result == DD_OK)
        win32::DisplayObjectSet(RealDraw2(object), reinterpret_cast<::HWND>(window), flags);
    return result;
}

HRESULT DirectDraw_SetDisplayMode(LPDIRECTDRAW2 object, DWORD width, DWORD height, DWORD bpp,
                                  DWORD refreshRate, DWORD flags) {
    const HRESULT result =
        RealDraw2(object)->SetDisplayMode(width, height, bpp, refreshRate, flags);
    if (result == DD_OK) win32::DisplayModeSet(width, height, bpp);
    return result;
}

HRESULT DirectDraw_CreateSurface(LPDIRECTDRAW2 object, const DDSURFACEDESC* desc,
                                 LPDIRECTDRAWSURFACE* out, void* outer) {
    ::DDSURFACEDESC real = {};
    if (desc != nullptr) real = Real(*desc);
    ::IDirectDrawSurface* surface = nullptr;
    const HRESULT result = RealDraw2(object)->CreateSurface(desc != nullptr ? &real : nullptr,
                                                            out != nullptr ? &surface : nullptr,
                                                            static_cast<::IUnknown*>(outer));
    if (out != nullptr) {
        win32::SurfaceRole role = win32::SurfaceRole::Other;
        if (desc != nullptr && (desc->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) != 0)
            role = win32::SurfaceRole::Primary;
        else if (desc != nullptr && (desc->ddsCaps.dwCaps & DDSCAPS_OFFSCREENPLAIN) != 0)
            role = win32::SurfaceRole::Sheet;
        *out = Seam(surface, role);
        if (result == DD_OK && surface != nullptr && *out == nullptr) return DDERR_GENERIC;
    }
    return result;
}

HRESULT Surface_GetAttachedSurface(LPDIRECTDRAWSURFACE surface, const DDSCAPS* caps,
                                   LPDIRECTDRAWSURFACE* out) {
    ::DDSCAPS realCaps = {};
    if (caps != nullptr) realCaps.dwCaps = caps->dwCaps;
    ::IDirectDrawSurface* attached = nullptr;
    const HRESULT result = Real(surface)->GetAttachedSurface(caps != nullptr ? &realCaps : nullptr,
                                                             out != nullptr ? &attached : nullptr);
    if (out != nullptr) {
        const bool back = Record(surface)->role == win32::SurfaceRole::Primary && caps != nullptr &&
                          (caps->dwCaps & DDSCAPS_BACKBUFFER) != 0;
        *out = Seam(attached, back ? win32::SurfaceRole::Back : win32::SurfaceRole::Other);
        if (result == DD_OK && attached != nullptr && *out == nullptr) return DDERR_GENERIC;
    }
    return result;
}

HRESULT Surface_Blt(LPDIRECTDRAWSURFACE surface, const RECT* dest, LPDIRECTDRAWSURFACE source,
                    const RECT* sourceRect, DWORD flags, const DDBLTFX* fx) {
    if (LostBySwitch(surface) || LostBySwitch(source)) return DDERR_SURFACELOST;
    if (Real(surface) == nullptr) return DDERR_SURFACELOST;
    ::RECT realDest = {};
    ::RECT realSource = {};
    if (dest != nullptr) realDest = Real(*dest);
    if (sourceRect != nullptr) realSource = Real(*sourceRect);
    ::DDBLTFX realFx = {};
    realFx.dwSize = sizeof realFx;
    if (fx != nullptr) realFx.dwFillColor = fx->dwFillColor;
    const HRESULT result = Real(surface)->Blt(dest != nullptr ? &realDest : nullptr, Real(source),
                                              sourceRect != nullptr ? &realSource : nullptr,
                                              flags, fx != nullptr ? &realFx : nullptr);
    // Some drivers accept a fill on a lost surface (Wine answers success):
    // the surface's own word decides, so the caller's restore runs.
    if (result == DD_OK && surface != nullptr && Real(surface)->IsLost() == DDERR_SURFACELOST) {
        win32::Trace("fill on a lost surface: answered lost");
        return DDERR_SURFACELOST;
    }
    return result;
}

HRESULT Surface_BltFast(LPDIRECTDRAWSURFACE surface, DWORD x, DWORD y, LPDIRECTDRAWSURFACE source,
                        const RECT* sourceRect, DWORD transFlags) {
    // No clipper: a copy that would leave either surface is refused whole.
    LONG destWidth = 0, destHeight = 0, sourceWidth = 0, sourceHeight = 0;
    if (surface != nullptr && source != nullptr &&
        SurfaceSize(Real(surface), &destWidth, &destHeight) &&
        SurfaceSize(Real(source), &sourceWidth, &sourceHeight)) {
        RECT from = {};
        if (!core::CopyFits(x, y, sourceRect, sourceWidth, sourceHeight, destWidth, destHeight,
                            &from))
            return DDERR_INVALIDRECT;
    }
    ::RECT realSource = {};
    if (sourceRect != nullptr) realSource = Real(*sourceRect);
    return Real(surface)->BltFast(x, y, Real(source), sourceRect != nullptr ? &realSource : nullptr,
                                  transFlags);
}

HRESULT Surface_SetColorKey(LPDIRECTDRAWSURFACE surface, DWORD flags, const DDCOLORKEY* key) {
    ::DDCOLORKEY realKey = {};
    if (key != nullptr) {
        realKey.dwColorSpaceLowValue = key->dwColorSpaceLowValue;
        realKey.dwColorSpaceHighValue = key->dwColorSpaceHighValue;
    }
    if (Real(surface) == nullptr) return DDERR_SURFACELOST;
    const HRESULT result =
        Real(surface)->SetColorKey(flags, key != nullptr ? &realKey : nullptr);
    // Kept for the surface made in its place by a display switch.
    if (result == DD_OK && flags == DDCKEY_SRCBLT && key != nullptr) {
        Record(surface)->keyed = true;
        Record(surface)->key = realKey;
    }
    return result;
}

HRESULT Surface_Lock(LPDIRECTDRAWSURFACE surface, const RECT* rect, DDSURFACEDESC* desc,
                     DWORD flags, void* event) {
    if (LostBySwitch(surface) || Real(surface) == nullptr) return DDERR_SURFACELOST;
    ::RECT realRect = {};
    if (rect != nullptr) realRect = Real(*rect);
    ::DDSURFACEDESC real = {};
    if (desc != nullptr) real = Real(*desc);
    const HRESULT result =
        Real(surface)->Lock(rect != nullptr ? &realRect : nullptr,
                            desc != nullptr ? &real : nullptr, flags, static_cast<::HANDLE>(event));
    if (result == DD_OK && desc != nullptr) CopyOut(real, desc);
    if (result == DD_OK) ++Record(surface)->locks;
    if (result != DD_OK) win32::Trace("lock: 0x%08lx", static_cast<unsigned long>(result));
    return result;
}

HRESULT Surface_Unlock(LPDIRECTDRAWSURFACE surface, void* rect) {
    if (Real(surface) == nullptr) return DDERR_NOTLOCKED;
    const HRESULT result = Real(surface)->Unlock(rect);
    if (result == DD_OK && Record(surface)->locks > 0) --Record(surface)->locks;
    return result;
}

HRESULT Surface_GetFlipStatus(LPDIRECTDRAWSURFACE surface, DWORD flags) {
    win32::FlipStatusPoint();
    win32::DisplayPoint(true);
    if (LostBySwitch(surface) || Real(surface) == nullptr) return DDERR_SURFACELOST;
    // A window has no flip of its own: only the refresh period is kept.
    const HRESULT result = win32::Windowed() ? DD_OK : Real(surface)->GetFlipStatus(flags);
    if (result != DD_OK || flags != DDGFS_ISFLIPDONE || LastFlip == 0) return result;
    static const int64_t period = RefreshPeriodCounts();
    const int64_t rest = period - (Now() - LastFlip);
    if (rest <= 0) return result;
    // The rest of the period, in whole milliseconds rounded up.
    static const int64_t countsPerMs = [] {
        ::LARGE_INTEGER frequency = {};
        ::QueryPerformanceFrequency(&frequency);
        return frequency.QuadPart / 1000 > 0 ? frequency.QuadPart / 1000 : 1;
    }();
    ::Sleep(static_cast<::DWORD>((rest + countsPerMs - 1) / countsPerMs));
    return DDERR_WASSTILLDRAWING;
}

HRESULT Surface_Flip(LPDIRECTDRAWSURFACE primary, LPDIRECTDRAWSURFACE overrideSurface,
                     DWORD flags) {
    win32::DisplayPoint(true);
    if (LostBySwitch(primary) || Real(primary) == nullptr) return DDERR_SURFACELOST;
    const HRESULT result = win32::Windowed() ? win32::PresentInWindow(Record(primary))
                                             : Real(primary)->Flip(Real(overrideSurface), flags);
    static HRESULT lastResult = DD_OK;
    if (result != lastResult)
        win32::Trace("flip: 0x%08lx", static_cast<unsigned long>(result));
    lastResult = result;
    if (result == DD_OK) LastFlip = Now();
    win32::AfterFlip();
    return result;
}

HRESULT Surface_Restore(LPDIRECTDRAWSURFACE surface) {
    if (Real(surface) == nullptr) return DDERR_GENERIC;
    const HRESULT result = Real(surface)->Restore();
    win32::Trace("restore: 0x%08lx", static_cast<unsigned long>(result));
    if (result == DD_OK) Record(surface)->lost = false;
    return result;
}

ULONG Surface_Release(LPDIRECTDRAWSURFACE surface) {
    win32::Surface* record = Record(surface);
    win32::SurfaceReleased(record);
    const ULONG count = record->real != nullptr ? record->real->Release() : 0;
    *record = win32::Surface{};
    return count;
}

}  // namespace pf
