// The GDI drawing calls: they read the device context's selection and hand the shape to the
// rasterizer.
#include <cstdio>

#include "platform/font.h"
#include "platform/gdi_objects.h"
#include "platform/raster.h"

namespace win {
namespace {

raster::Style styleOf(const DeviceContext& dc) {
    raster::Style style;
    style.hasPen = true;
    style.penPixel = dc.pen->pixel;
    style.penWidth = dc.pen->width;
    style.hasBrush = true;
    style.brushPixel = dc.brush->pixel;
    return style;
}

}  // namespace

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
    if (dc == nullptr) {
        return FALSE;
    }
    if (previous != nullptr) {
        previous->x = static_cast<LONG>(dc->currentX);
        previous->y = static_cast<LONG>(dc->currentY);
    }
    dc->currentX = x;
    dc->currentY = y;
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
    if (dc == nullptr) {
        return FALSE;
    }
    raster::drawLine(dc->canvas, dc->currentX, dc->currentY, x, y, dc->pen->width, dc->pen->pixel);
    dc->currentX = x;
    dc->currentY = y;
    return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
    if (dc == nullptr) {
        return FALSE;
    }
    raster::drawRectangle(dc->canvas, left, top, right, bottom, styleOf(*dc));
    return TRUE;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
    if (dc == nullptr) {
        return FALSE;
    }
    raster::drawEllipse(dc->canvas, left, top, right, bottom, styleOf(*dc));
    return TRUE;
}

BOOL Polygon(HDC dc, const POINT* points, int count) {
    if (dc == nullptr) {
        return FALSE;
    }
    if (points == nullptr || count < 2 || count > raster::kMaxPolygonPoints) {
        std::fprintf(stderr, "Polygon: %d points, expected 2 to %d\n", count, raster::kMaxPolygonPoints);
        return FALSE;
    }
    return raster::drawPolygon(dc->canvas, points, count, styleOf(*dc)) ? TRUE : FALSE;
}

BOOL TextOut(HDC dc, int x, int y, const char* text, int length) {
    if (dc == nullptr || (text == nullptr && length > 0) || length < 0) {
        return FALSE;
    }
    font::drawText(dc->canvas, x, y, text, length, raster::pixelFromColorref(dc->textColor), dc->bkMode == OPAQUE,
                   raster::pixelFromColorref(dc->bkColor));
    return TRUE;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
    constexpr COLORREF kInvalidColor = 0xFFFFFFFFu;  // CLR_INVALID
    if (dc == nullptr) {
        return kInvalidColor;
    }
    const COLORREF previous = dc->bkColor;
    dc->bkColor = color & 0x00FFFFFFu;
    return previous;
}

int SetBkMode(HDC dc, int mode) {
    if (dc == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) {
        return 0;
    }
    const int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
    constexpr COLORREF kInvalidColor = 0xFFFFFFFFu;  // CLR_INVALID
    if (dc == nullptr) {
        return kInvalidColor;
    }
    const COLORREF previous = dc->textColor;
    dc->textColor = color & 0x00FFFFFFu;
    return previous;
}

}  // namespace win
