// DirectDraw objects of the running program: a primary surface clipped to the main
// window and a 640 x 480 system-memory surface with its own device context, into which
// every frame is drawn and which each paint copies to the window.
#include "platform/win.h"
#include "shell/program_entry.h"

namespace shell {
namespace {

using namespace win;

// The size every surface description announces in dwSize; GetSurfaceDesc keeps it as given.
constexpr DWORD kSurfaceDescSize = 108;

LPDIRECTDRAW directDraw = nullptr;    // version 1 object from DirectDrawCreate
LPDIRECTDRAW2 directDraw2 = nullptr;  // the same object's IDirectDraw2; creates everything else
LPDIRECTDRAWSURFACE primarySurface = nullptr;
LPDIRECTDRAWSURFACE offscreenSurface = nullptr;
LPDIRECTDRAWCLIPPER clipper = nullptr;
DDSURFACEDESC primaryDesc;            // filled once, not read afterwards

}  // namespace

HDC offscreenDC = nullptr;

bool initPresentation(HWND window, int width, int height) {
    if (DirectDrawCreate(nullptr, &directDraw, nullptr) != DD_OK) return false;

    void* interface2 = nullptr;
    if (directDraw->QueryInterface(IID_IDirectDraw2, &interface2) < 0) return false;
    directDraw2 = static_cast<LPDIRECTDRAW2>(interface2);
    if (directDraw2 == nullptr) return false;

    if (directDraw2->SetCooperativeLevel(window, DDSCL_NORMAL) != DD_OK) return false;

    DDSURFACEDESC desc{};
    desc.dwSize = kSurfaceDescSize;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (directDraw2->CreateSurface(&desc, &primarySurface, nullptr) != DD_OK) return false;

    primaryDesc = DDSURFACEDESC{};
    primaryDesc.dwSize = kSurfaceDescSize;
    if (primarySurface->GetSurfaceDesc(&primaryDesc) != DD_OK) return false;

    desc = DDSURFACEDESC{};
    desc.dwSize = kSurfaceDescSize;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwHeight = static_cast<DWORD>(height);
    desc.dwWidth = static_cast<DWORD>(width);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY | DDSCAPS_OWNDC;
    if (directDraw2->CreateSurface(&desc, &offscreenSurface, nullptr) != DD_OK) return false;

    // Kept for the whole run: the own-DC surface keeps it valid between frames.
    if (offscreenSurface->GetDC(&offscreenDC) != DD_OK) return false;

    if (directDraw2->CreateClipper(0, &clipper, nullptr) != DD_OK) return false;
    if (clipper->SetHWnd(0, window) != DD_OK) return false;
    return primarySurface->SetClipper(clipper) == DD_OK;
}

bool clearOffscreen() {
    // The fill is the surface's own operation: a surface whose device context could not be
    // had is still filled, so the window shows white (an empty frame), not the surface's
    // uncleared black.
    if (offscreenSurface == nullptr) return false;
    DDBLTFX effects{};
    effects.dwSize = sizeof(DDBLTFX);
    effects.dwFillColor = 0xFFFFFF;  // white in 16-, 24- and 32-bit formats
    offscreenSurface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &effects);
    return true;
}

void paintWindow(HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    OffsetRect(&client, origin.x, origin.y);
    // The off-screen surface is checked too: a set-up that stopped between the primary
    // and the off-screen surface must not blit from a missing source.
    if (primarySurface != nullptr && offscreenSurface != nullptr) {
        primarySurface->Blt(&client, offscreenSurface, nullptr, DDBLT_WAIT, nullptr);
    }
    EndPaint(window, &paint);
}

void shutdownPresentation() {
    ShowCursor(TRUE);
    if (clipper != nullptr) clipper->Release();
    if (offscreenSurface != nullptr) offscreenSurface->Release();
    if (primarySurface != nullptr) primarySurface->Release();
    if (directDraw2 != nullptr) directDraw2->Release();
    if (directDraw != nullptr) directDraw->Release();
    // Cleared so that a paint or tick arriving after shutdown finds nothing to use,
    // and a second shutdown releases nothing twice.
    clipper = nullptr;
    offscreenSurface = nullptr;
    primarySurface = nullptr;
    directDraw2 = nullptr;
    directDraw = nullptr;
    offscreenDC = nullptr;
}

}  // namespace shell
