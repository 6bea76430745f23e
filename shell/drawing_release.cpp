// Deletes the steering program's pens and brushes once, after the message loop, then
// releases the presentation objects.
#include "platform/win.h"
#include "shell/program_entry.h"
#include "shell/steering_program.h"
#include "world/drawing_resources.h"

namespace steering {
namespace {

win::HGDIOBJ gdiObject(win::HPEN pen) { return reinterpret_cast<win::HGDIOBJ>(pen); }
win::HGDIOBJ gdiObject(win::HBRUSH brush) { return reinterpret_cast<win::HGDIOBJ>(brush); }

}  // namespace

void releaseDrawingResources() {
    // Creation order. The last pens used are still selected into offscreenDC; the
    // platform keeps a selected object usable until the device context goes away.
    DrawingResources& r = drawingResources;
    win::DeleteObject(gdiObject(r.blackPen));
    win::DeleteObject(gdiObject(r.magentaPen));
    win::DeleteObject(gdiObject(r.bluePen));
    win::DeleteObject(gdiObject(r.secondBlackPen));
    win::DeleteObject(gdiObject(r.whitePen));
    win::DeleteObject(gdiObject(r.tealBrush));
    win::DeleteObject(gdiObject(r.orangeBrush));
    win::DeleteObject(gdiObject(r.greenBrush));
    for (int n = 8; n >= 1; --n) win::DeleteObject(gdiObject(r.occupancyBrushes[n]));
    shell::shutdownPresentation();
}

}  // namespace steering
