#pragma once
// The software rasterizer behind the GDI calls: 32-bit pixels 0x00RRGGBB, every primitive
// clipped to the canvas before it is stepped, so its cost follows the visible pixels and
// coordinates anywhere in the 32-bit range are safe.
#include <cstdint>

#include "platform/win.h"

namespace win::raster {

struct Canvas {
    uint32_t* pixels = nullptr;
    int width = 0;   // pixels
    int height = 0;  // pixels
    int pitch = 0;   // pixels from one row to the next
};

// Widest pen drawn as asked; wider requests are limited to it (nothing draws wider lines).
constexpr int kMaxPenWidth = 64;
// Most vertices one Polygon call fills; the crossing table is sized by it.
constexpr int kMaxPolygonPoints = 256;

// How a primitive is drawn: an outline (pen) and an interior (brush), either may be absent.
struct Style {
    bool hasPen = true;
    uint32_t penPixel = 0;  // 0x00RRGGBB
    int penWidth = 1;       // 1..kMaxPenWidth
    bool hasBrush = true;
    uint32_t brushPixel = 0xFFFFFF;
};

// COLORREF 0x00BBGGRR to pixel 0x00RRGGBB.
constexpr uint32_t pixelFromColorref(COLORREF c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr COLORREF colorrefFromPixel(uint32_t p) { return pixelFromColorref(p); }

// Fills [left, right) x [top, bottom).
void fillRect(const Canvas& canvas, int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t pixel);

// A line from (x0, y0) towards (x1, y1); the end pixel is not drawn. Pens wider than one
// pixel add pixels across the line's major axis.
void drawLine(const Canvas& canvas, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int width, uint32_t pixel);

// Rectangle and ellipse inside [left, right) x [top, bottom); the outline lies inside the box.
void drawRectangle(const Canvas& canvas, int64_t left, int64_t top, int64_t right, int64_t bottom, const Style& style);
void drawEllipse(const Canvas& canvas, int64_t left, int64_t top, int64_t right, int64_t bottom, const Style& style);

// Alternate-rule fill of the pixel centres inside the polygon, then its closed outline.
// False (nothing drawn) when count is outside 2..kMaxPolygonPoints.
bool drawPolygon(const Canvas& canvas, const POINT* points, int count, const Style& style);

}  // namespace win::raster
