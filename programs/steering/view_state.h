#pragma once
// Where the window looks into the world, the overlay toggles, and the world/pixel
// conversions every drawing function uses. Changed only by input handling.
#include <cstdint>

#include "world/fixed_math.h"

namespace steering {

struct ViewState {
    double viewOriginX = 0.0;   // whole world units at the client area's top-left pixel
    double viewOriginY = 0.0;
    double viewScaleX = 15.0;   // world units per pixel
    double viewScaleY = 15.0;
    double viewInvScaleX = 1.0 / 15.0;  // pixels per world unit, recomputed after every zoom
    double viewInvScaleY = 1.0 / 15.0;

    // World (whole units, as double) to pixel, truncating toward zero.
    int32_t worldToPixelX(double wholeX) const { return truncToInt((wholeX - viewOriginX) * viewInvScaleX); }
    int32_t worldToPixelY(double wholeY) const { return truncToInt((wholeY - viewOriginY) * viewInvScaleY); }
    // A Fixed coordinate is first reduced to whole units by the arithmetic shift.
    int32_t fixedToPixelX(Fixed x) const { return worldToPixelX(static_cast<double>(toWhole(x))); }
    int32_t fixedToPixelY(Fixed y) const { return worldToPixelY(static_cast<double>(toWhole(y))); }
    // Pixel to whole world units.
    int32_t pixelToWorldX(double pixelX) const { return truncToInt(pixelX * viewScaleX + viewOriginX); }
    int32_t pixelToWorldY(double pixelY) const { return truncToInt(pixelY * viewScaleY + viewOriginY); }
};

struct DebugFlags {
    bool showNeighbours = false;
    bool showGrid = false;
    bool showVectors = false;
    bool showPaths = false;
    bool showTriangles = false;
};

}  // namespace steering
