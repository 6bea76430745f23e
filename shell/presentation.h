#pragma once
// The DirectDraw objects of one run's window: a primary surface clipped to the window and
// a 640 x 480 system-memory surface with its own device context, into which every frame
// is drawn and which each paint copies to the window. The run owns them.
#include "platform/win.h"

namespace shell {

struct Presentation {
    win::LPDIRECTDRAW directDraw = nullptr;    // version 1 object from DirectDrawCreate
    win::LPDIRECTDRAW2 directDraw2 = nullptr;  // the same object's IDirectDraw2; creates everything else
    win::LPDIRECTDRAWSURFACE primarySurface = nullptr;
    win::LPDIRECTDRAWSURFACE offscreenSurface = nullptr;
    win::LPDIRECTDRAWCLIPPER clipper = nullptr;
    win::DDSURFACEDESC primaryDesc{};          // filled once, not read afterwards
    win::HDC offscreenDC = nullptr;            // every frame is drawn into it; null until set up
};

// DirectDraw set-up for the window: false at the first failing step, keeping what was created.
bool initPresentation(Presentation& presentation, win::HWND window, int width, int height);
// The WM_PAINT handler: begin paint, blit the off-screen surface onto the client area
// (only when the primary surface exists), end paint.
void paintWindow(const Presentation& presentation, win::HWND window);
// Shows the cursor and releases whatever presentation objects exist.
void shutdownPresentation(Presentation& presentation);
// Fills the off-screen surface with 0xFFFFFF (white); false and no effect without one.
bool clearOffscreen(const Presentation& presentation);

}  // namespace shell
