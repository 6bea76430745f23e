// The DirectDraw subset: a DirectDraw object with its version-2 interface, a primary surface
// that stands for the window's client area on screen, off-screen surfaces of 32-bit pixels
// with their own device context, and a clipper that ties the primary to a window.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/window_state.h"

namespace win {

struct DirectDrawObject {
    int references = 0;  // interfaces handed out and not released
    HWND window = nullptr;
};

struct ClipperObject {
    HWND window = nullptr;
};

struct SurfaceObject {
    bool primary = false;
    int width = 0;   // pixels
    int height = 0;  // pixels
    DWORD caps = 0;
    std::vector<uint32_t> pixels;  // off-screen only, 0x00RRGGBB
    DeviceContext* dc = nullptr;   // made by the first GetDC, kept until release
    IDirectDrawClipper* clipper = nullptr;
};

namespace {

// The largest off-screen surface side accepted; far above the 640 x 480 the programs ask for.
constexpr int kMaxSurfaceSide = 8192;
// Step numbers of the presentation set-up, for host::failPresentationStep.
constexpr int kStepDirectDrawCreate = 1;
constexpr int kStepQueryInterface = 2;
constexpr int kStepCooperativeLevel = 3;
constexpr int kStepPrimarySurface = 4;
constexpr int kStepSurfaceDesc = 5;
constexpr int kStepOffscreenSurface = 6;
constexpr int kStepGetDC = 7;
constexpr int kStepCreateClipper = 8;
constexpr int kStepSetHWnd = 9;
constexpr int kStepSetClipper = 10;
constexpr int kStepQueryInterfaceNull = 11;

bool failing(int step) { return state().failStep == step; }

bool sameIid(const IID& a, const IID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

ULONG releaseDirectDraw(DirectDrawObject*& impl) {
    if (impl == nullptr) {
        return 0;
    }
    const int left = --impl->references;
    if (left <= 0) {
        delete impl;
        impl = nullptr;
        return 0;
    }
    return static_cast<ULONG>(left);
}

// The window a primary surface shows: the clipper's, or the main window without one.
Window* primaryWindow(const SurfaceObject& surface) {
    HWND window = nullptr;
    if (surface.clipper != nullptr && surface.clipper->impl != nullptr) {
        window = surface.clipper->impl->window;
    }
    if (window == nullptr) {
        window = state().mainWindow;
    }
    return isLiveWindow(window) ? window : nullptr;
}

struct PixelTarget {
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int originX = 0;  // screen position of pixel (0, 0)
    int originY = 0;
};

PixelTarget targetOf(SurfaceObject& surface) {
    PixelTarget t;
    if (surface.primary) {
        Window* window = primaryWindow(surface);
        if (window != nullptr) {
            POINT origin{0, 0};
            ClientToScreen(window, &origin);
            t = PixelTarget{window->client.data(), window->clientWidth, window->clientHeight, origin.x, origin.y};
        }
    } else {
        t = PixelTarget{surface.pixels.data(), surface.width, surface.height, 0, 0};
    }
    return t;
}

}  // namespace

HRESULT DirectDrawCreate(GUID* /*driver*/, IDirectDraw** directDraw, void* outer) {
    if (directDraw == nullptr || outer != nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *directDraw = nullptr;
    if (failing(kStepDirectDrawCreate)) {
        return DDERR_GENERIC;
    }
    auto* object = new IDirectDraw;
    object->impl = new DirectDrawObject;
    object->impl->references = 1;
    *directDraw = object;
    return DD_OK;
}

HRESULT IDirectDraw::QueryInterface(const IID& iid, void** object) {
    if (object == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *object = nullptr;
    if (failing(kStepQueryInterface) || !sameIid(iid, IID_IDirectDraw2)) {
        return E_NOINTERFACE;
    }
    if (failing(kStepQueryInterfaceNull)) {
        return S_OK;  // a success that yields nothing, which callers must still refuse
    }
    auto* second = new IDirectDraw2;
    second->impl = impl;
    impl->references++;
    *object = second;
    return S_OK;
}

ULONG IDirectDraw::Release() {
    const ULONG left = releaseDirectDraw(impl);
    delete this;
    return left;
}

HRESULT IDirectDraw2::SetCooperativeLevel(HWND window, DWORD flags) {
    if (failing(kStepCooperativeLevel)) {
        return DDERR_GENERIC;
    }
    if (flags != DDSCL_NORMAL) {
        std::fprintf(stderr, "SetCooperativeLevel: only the normal level (8) is offered\n");
        return DDERR_INVALIDPARAMS;
    }
    impl->window = window;
    return DD_OK;
}

HRESULT IDirectDraw2::CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** surface, void* outer) {
    if (desc == nullptr || surface == nullptr || outer != nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *surface = nullptr;
    if (!(desc->dwFlags & DDSD_CAPS)) {
        std::fprintf(stderr, "CreateSurface: the description has no capabilities\n");
        return DDERR_INVALIDPARAMS;
    }
    const DWORD caps = desc->ddsCaps.dwCaps;
    auto* object = new SurfaceObject;
    object->caps = caps;
    if (caps & DDSCAPS_PRIMARYSURFACE) {
        if (failing(kStepPrimarySurface)) {
            delete object;
            return DDERR_GENERIC;
        }
        object->primary = true;
    } else {
        if (failing(kStepOffscreenSurface)) {
            delete object;
            return DDERR_GENERIC;
        }
        const bool sized = (desc->dwFlags & DDSD_WIDTH) && (desc->dwFlags & DDSD_HEIGHT);
        if (!sized || desc->dwWidth == 0 || desc->dwHeight == 0 || desc->dwWidth > kMaxSurfaceSide ||
            desc->dwHeight > kMaxSurfaceSide) {
            std::fprintf(stderr, "CreateSurface: an off-screen surface needs a size from 1 to %d pixels\n",
                         kMaxSurfaceSide);
            delete object;
            return DDERR_INVALIDPARAMS;
        }
        object->width = static_cast<int>(desc->dwWidth);
        object->height = static_cast<int>(desc->dwHeight);
        object->pixels.assign(static_cast<size_t>(object->width) * object->height, 0);
    }
    auto* result = new IDirectDrawSurface;
    result->impl = object;
    *surface = result;
    return DD_OK;
}

HRESULT IDirectDraw2::CreateClipper(DWORD /*flags*/, IDirectDrawClipper** clipper, void* outer) {
    if (clipper == nullptr || outer != nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *clipper = nullptr;
    if (failing(kStepCreateClipper)) {
        return DDERR_GENERIC;
    }
    auto* result = new IDirectDrawClipper;
    result->impl = new ClipperObject;
    *clipper = result;
    return DD_OK;
}

ULONG IDirectDraw2::Release() {
    const ULONG left = releaseDirectDraw(impl);
    delete this;
    return left;
}

HRESULT IDirectDrawClipper::SetHWnd(DWORD /*flags*/, HWND window) {
    if (failing(kStepSetHWnd)) {
        return DDERR_GENERIC;
    }
    if (window != nullptr && !isLiveWindow(window)) {
        return DDERR_INVALIDPARAMS;
    }
    impl->window = window;
    return DD_OK;
}

ULONG IDirectDrawClipper::Release() {
    delete impl;
    delete this;
    return 0;
}

HRESULT IDirectDrawSurface::SetClipper(IDirectDrawClipper* clipper) {
    if (failing(kStepSetClipper)) {
        return DDERR_GENERIC;
    }
    impl->clipper = clipper;
    return DD_OK;
}

HRESULT IDirectDrawSurface::GetSurfaceDesc(DDSURFACEDESC* desc) {
    if (desc == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    if (failing(kStepSurfaceDesc)) {
        return DDERR_GENERIC;
    }
    int width = impl->width;
    int height = impl->height;
    if (impl->primary) {
        const Window* window = primaryWindow(*impl);
        width = window != nullptr ? window->clientWidth : 0;
        height = window != nullptr ? window->clientHeight : 0;
    }
    const DWORD size = desc->dwSize;
    *desc = DDSURFACEDESC{};
    desc->dwSize = size;
    desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(width);
    desc->dwHeight = static_cast<DWORD>(height);
    desc->lPitch = width * 4;
    desc->ddsCaps.dwCaps = impl->caps;
    desc->ddpfPixelFormat.dwSize = 32;
    desc->ddpfPixelFormat.dwFlags = DDPF_RGB;
    desc->ddpfPixelFormat.dwRGBBitCount = 32;
    desc->ddpfPixelFormat.dwRBitMask = 0x00FF0000;
    desc->ddpfPixelFormat.dwGBitMask = 0x0000FF00;
    desc->ddpfPixelFormat.dwBBitMask = 0x000000FF;
    return DD_OK;
}

HRESULT IDirectDrawSurface::GetDC(HDC* dc) {
    if (dc == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    *dc = nullptr;
    if (failing(kStepGetDC)) {
        return DDERR_GENERIC;
    }
    if (impl->dc == nullptr) {
        if (impl->primary) {
            Window* window = primaryWindow(*impl);
            if (window == nullptr) {
                return DDERR_GENERIC;
            }
            impl->dc = makeDeviceContext(
                raster::Canvas{window->client.data(), window->clientWidth, window->clientHeight, window->clientWidth});
        } else {
            impl->dc = makeDeviceContext(raster::Canvas{impl->pixels.data(), impl->width, impl->height, impl->width});
        }
    }
    *dc = impl->dc;
    return DD_OK;
}

HRESULT IDirectDrawSurface::ReleaseDC(HDC dc) {
    // An own-DC surface keeps its context for its whole life; releasing only checks it.
    return (dc != nullptr && dc == impl->dc) ? DD_OK : DDERR_INVALIDPARAMS;
}

HRESULT IDirectDrawSurface::Blt(RECT* destRect, IDirectDrawSurface* source, RECT* sourceRect, DWORD flags,
                                DDBLTFX* effects) {
    PixelTarget dest = targetOf(*impl);
    if (dest.pixels == nullptr) {
        return DDERR_GENERIC;  // a primary whose window is gone
    }
    // The destination rectangle is in the target's own coordinates: screen for the primary.
    RECT d = destRect != nullptr ? *destRect
                                 : RECT{dest.originX, dest.originY, dest.originX + dest.width, dest.originY + dest.height};
    OffsetRect(&d, -dest.originX, -dest.originY);
    if (d.left >= d.right || d.top >= d.bottom) {
        return DDERR_INVALIDPARAMS;
    }
    // The clipper (or the target's bounds) confines the copy to the visible client area.
    const RECT clip{std::max<LONG>(d.left, 0), std::max<LONG>(d.top, 0), std::min<LONG>(d.right, dest.width),
                    std::min<LONG>(d.bottom, dest.height)};
    const bool visible = clip.left < clip.right && clip.top < clip.bottom;
    if (flags & DDBLT_COLORFILL) {
        if (effects == nullptr) {
            return DDERR_INVALIDPARAMS;
        }
        const uint32_t pixel = effects->dwFillColor & 0x00FFFFFFu;
        for (LONG y = clip.top; visible && y < clip.bottom; ++y) {
            uint32_t* row = dest.pixels + static_cast<size_t>(y) * dest.width;
            std::fill(row + clip.left, row + clip.right, pixel);
        }
    } else {
        if (source == nullptr || source->impl == nullptr || source->impl->primary) {
            return DDERR_INVALIDPARAMS;
        }
        const SurfaceObject& src = *source->impl;
        const RECT s = sourceRect != nullptr ? *sourceRect : RECT{0, 0, src.width, src.height};
        if (s.left < 0 || s.top < 0 || s.right > src.width || s.bottom > src.height || s.left >= s.right ||
            s.top >= s.bottom) {
            return DDERR_INVALIDPARAMS;
        }
        const int64_t dw = d.right - d.left;
        const int64_t dh = d.bottom - d.top;
        const int64_t sw = s.right - s.left;
        const int64_t sh = s.bottom - s.top;
        for (LONG y = clip.top; visible && y < clip.bottom; ++y) {
            uint32_t* row = dest.pixels + static_cast<size_t>(y) * dest.width;
            const int64_t sy = s.top + (y - d.top) * sh / dh;
            const uint32_t* srcRow = src.pixels.data() + static_cast<size_t>(sy) * src.width;
            if (dw == sw) {
                std::copy(srcRow + s.left + (clip.left - d.left), srcRow + s.left + (clip.right - d.left),
                          row + clip.left);
            } else {
                for (LONG x = clip.left; x < clip.right; ++x) {
                    row[x] = srcRow[s.left + (x - d.left) * sw / dw];
                }
            }
        }
    }
    if (impl->primary) {
        const PlatformState& st = state();
        Window* window = primaryWindow(*impl);
        if (st.backend != nullptr && st.backend->present != nullptr && window != nullptr) {
            st.backend->present(window);
        }
    }
    return DD_OK;
}

ULONG IDirectDrawSurface::Release() {
    destroyDeviceContext(impl->dc);
    delete impl;
    delete this;
    return 0;
}

}  // namespace win
