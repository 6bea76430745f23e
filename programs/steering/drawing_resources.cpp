#include "programs/steering/drawing_resources.h"

namespace steering {
namespace {

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

}  // namespace

DrawingResources drawingResources = createDrawingResources();

void ensureDrawingResources() {
    if (drawingResources.blackPen == nullptr) drawingResources = createDrawingResources();
}

}  // namespace steering
