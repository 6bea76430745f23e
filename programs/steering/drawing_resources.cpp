#include "programs/steering/drawing_resources.h"

namespace steering {

DrawingResources createDrawingResources() {
    using namespace win;
    DrawingResources r{};
    r.blackPen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    r.magentaPen = CreatePen(PS_SOLID, 1, RGB(255, 0, 255));
    r.bluePen = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    r.secondBlackPen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    r.whitePen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    r.tealBrush = CreateSolidBrush(RGB(0, 200, 200));
    r.orangeBrush = CreateSolidBrush(RGB(255, 130, 72));
    r.greenBrush = CreateSolidBrush(RGB(0, 200, 0));
    // Grey 256 - 32n for n occupants, black from 8 on; created darkest first.
    r.occupancyBrushes[0] = nullptr;
    for (int n = 8; n >= 1; --n) {
        const BYTE level = n >= 8 ? 0 : static_cast<BYTE>(256 - 32 * n);
        r.occupancyBrushes[n] = CreateSolidBrush(RGB(level, level, level));
    }
    r.messageBrush = CreateSolidBrush(RGB(255, 250, 205));
    return r;
}

void deleteDrawingResources(DrawingResources& r) {
    if (r.blackPen == nullptr) return;
    // Creation order. The last pens used may still be selected into offscreenDC; the
    // platform completes the deletion of a selected object when it is deselected.
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
}

}  // namespace steering
