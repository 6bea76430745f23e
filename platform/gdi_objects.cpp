// Pens, brushes and device contexts, and the selection rules between them.
#include "platform/gdi_objects.h"

#include <algorithm>
#include <cstdio>

namespace win {
namespace {

// The defaults every new device context starts with; function-local statics, so they exist
// whenever the first context is made, even during static initialisation.
Pen& stockBlackPen() {
    static Pen pen = [] {
        Pen p;
        p.kind = GdiKind::Pen;
        p.stock = true;
        p.pixel = 0x000000;
        return p;
    }();
    return pen;
}

Brush& stockWhiteBrush() {
    static Brush brush = [] {
        Brush b;
        b.kind = GdiKind::Brush;
        b.stock = true;
        b.pixel = 0xFFFFFF;
        return b;
    }();
    return brush;
}

void freeObject(GdiObject* object) {
    if (object->kind == GdiKind::Pen) {
        delete static_cast<Pen*>(object);
    } else {
        delete static_cast<Brush*>(object);
    }
}

void deselect(GdiObject* object) {
    if (object == nullptr) {
        return;
    }
    object->selectedCount = std::max(0, object->selectedCount - 1);
    if (object->selectedCount == 0 && object->deletePending && !object->stock) {
        freeObject(object);
    }
}

}  // namespace

DeviceContext* makeDeviceContext(const raster::Canvas& canvas) {
    auto* dc = new DeviceContext;
    dc->canvas = canvas;
    dc->pen = &stockBlackPen();
    dc->brush = &stockWhiteBrush();
    dc->pen->selectedCount++;
    dc->brush->selectedCount++;
    return dc;
}

void destroyDeviceContext(DeviceContext* dc) {
    if (dc == nullptr) {
        return;
    }
    deselect(dc->pen);
    deselect(dc->brush);
    delete dc;
}

HPEN CreatePen(int style, int width, COLORREF color) {
    auto* pen = new Pen;
    pen->kind = GdiKind::Pen;
    pen->style = style;
    // Width 0 means the thinnest line, as on Windows.
    pen->width = std::clamp(width, 1, raster::kMaxPenWidth);
    pen->pixel = raster::pixelFromColorref(color);
    return pen;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto* brush = new Brush;
    brush->kind = GdiKind::Brush;
    brush->pixel = raster::pixelFromColorref(color);
    return brush;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    if (dc == nullptr || object == nullptr) {
        return nullptr;
    }
    if (object->deletePending) {
        std::fprintf(stderr, "SelectObject: the object was deleted\n");
        return nullptr;
    }
    GdiObject* previous = nullptr;
    object->selectedCount++;
    if (object->kind == GdiKind::Pen) {
        previous = dc->pen;
        dc->pen = static_cast<Pen*>(object);
    } else {
        previous = dc->brush;
        dc->brush = static_cast<Brush*>(object);
    }
    // The previous object may be freed here when it was deleted while selected; callers
    // of Windows get the same handle back and may only compare or reselect it.
    const bool previousSurvives = !(previous->selectedCount == 1 && previous->deletePending && !previous->stock);
    deselect(previous);
    return previousSurvives ? previous : nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (object == nullptr || object->deletePending) {
        return FALSE;
    }
    if (object->stock) {
        return TRUE;  // stock objects are permanent
    }
    if (object->selectedCount > 0) {
        // Freed once the last device context lets go of it, so a context never points at
        // freed memory.
        object->deletePending = true;
        return TRUE;
    }
    freeObject(object);
    return TRUE;
}

}  // namespace win
