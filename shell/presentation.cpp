#include "shell/presentation.h"

namespace shell {
namespace {

using namespace win;

// The size every surface description announces in dwSize; GetSurfaceDesc keeps it as given.
constexpr DWORD kSurfaceDescSize = 108;

}  // namespace

bool initPresentation(Presentation& p, HWND window, int width, int height) {
    if (DirectDrawCreate(nullptr, &p.directDraw, nullptr) != DD_OK) return false;

    void* interface2 = nullptr;
    if (p.directDraw->QueryInterface(IID_IDirectDraw2, &interface2) < 0) return false;
    p.directDraw2 = static_cast<LPDIRECTDRAW2>(interface2);
    if (p.directDraw2 == nullptr) return false;

    if (p.directDraw2->SetCooperativeLevel(window, DDSCL_NORMAL) != DD_OK) return false;

    DDSURFACEDESC desc{};
    desc.dwSize = kSurfaceDescSize;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (p.directDraw2->CreateSurface(&desc, &p.primarySurface, nullptr) != DD_OK) return false;

    p.primaryDesc = DDSURFACEDESC{};
    p.primaryDesc.dwSize = kSurfaceDescSize;
    if (p.primarySurface->GetSurfaceDesc(&p.primaryDesc) != DD_OK) return false;

    desc = DDSURFACEDESC{};
    desc.dwSize = kSurfaceDescSize;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwHeight = static_cast<DWORD>(height);
    desc.dwWidth = static_cast<DWORD>(width);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY | DDSCAPS_OWNDC;
    if (p.directDraw2->CreateSurface(&desc, &p.offscreenSurface, nullptr) != DD_OK) return false;

    // Kept for the whole run: the own-DC surface keeps it valid between frames.
    if (p.offscreenSurface->GetDC(&p.offscreenDC) != DD_OK) return false;

    if (p.directDraw2->CreateClipper(0, &p.clipper, nullptr) != DD_OK) return false;
    if (p.clipper->SetHWnd(0, window) != DD_OK) return false;
    return p.primarySurface->SetClipper(p.clipper) == DD_OK;
}

bool clearOffscreen(const Presentation& p) {
    // The fill is the surface's own operation: a surface whose device context could not be
    // had is still filled, so the window shows white (an empty frame), not the surface's
    // uncleared black.
    if (p.offscreenSurface == nullptr) return false;
    DDBLTFX effects{};
    effects.dwSize = sizeof(DDBLTFX);
    effects.dwFillColor = 0xFFFFFF;  // white in 16-, 24- and 32-bit formats
    p.offscreenSurface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &effects);
    return true;
}

void paintWindow(const Presentation& p, HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    OffsetRect(&client, origin.x, origin.y);
    // The off-screen surface is checked too: a set-up that stopped between the primary
    // and the off-screen surface must not blit from a missing source.
    if (p.primarySurface != nullptr && p.offscreenSurface != nullptr) {
        p.primarySurface->Blt(&client, p.offscreenSurface, nullptr, DDBLT_WAIT, nullptr);
    }
    EndPaint(window, &paint);
}

void shutdownPresentation(Presentation& p) {
    ShowCursor(TRUE);
    if (p.clipper != nullptr) p.clipper->Release();
    if (p.offscreenSurface != nullptr) p.offscreenSurface->Release();
    if (p.primarySurface != nullptr) p.primarySurface->Release();
    if (p.directDraw2 != nullptr) p.directDraw2->Release();
    if (p.directDraw != nullptr) p.directDraw->Release();
    // Cleared so that a paint or tick arriving after shutdown finds nothing to use,
    // and a second shutdown releases nothing twice.
    p.clipper = nullptr;
    p.offscreenSurface = nullptr;
    p.primarySurface = nullptr;
    p.directDraw2 = nullptr;
    p.directDraw = nullptr;
    p.offscreenDC = nullptr;
}

}  // namespace shell
