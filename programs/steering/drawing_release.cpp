// Deletes the steering program's pens and brushes once, after the message loop, then
// releases the presentation objects.
#include "platform/win.h"
#include "shell/program_entry.h"
#include "programs/steering/steering_program.h"
#include "programs/steering/drawing_resources.h"

namespace steering {
void releaseDrawingResources() {
    // Creation order. The last pens used are still selected into offscreenDC; the
    // platform completes the deletion of a selected object when it is deselected.
    DrawingResources& r = drawingResources;
    win::DeleteObject(asGdiObject(r.blackPen));
    win::DeleteObject(asGdiObject(r.magentaPen));
    win::DeleteObject(asGdiObject(r.bluePen));
    win::DeleteObject(asGdiObject(r.secondBlackPen));
    win::DeleteObject(asGdiObject(r.whitePen));
    win::DeleteObject(asGdiObject(r.tealBrush));
    win::DeleteObject(asGdiObject(r.orangeBrush));
    win::DeleteObject(asGdiObject(r.greenBrush));
    for (int n = 8; n >= 1; --n) win::DeleteObject(asGdiObject(r.occupancyBrushes[n]));
    win::DeleteObject(asGdiObject(r.messageBrush));
    r = DrawingResources{};
    shell::shutdownPresentation();
}

}  // namespace steering
