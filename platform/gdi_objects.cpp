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
        p.header.stock = true;
        p.pixel = 0x000000;
        return p;
    }();
    return pen;
}

Brush& stockWhiteBrush() {
    static Brush brush = [] {
        Brush b;
        b.header.stock = true;
        b.pixel = 0xFFFFFF;
        return b;
    }();
    return brush;
}

GdiObject* headerOf(HGDIOBJ object) { return static_cast<GdiObject*>(object); }

void freeObject(GdiObject* object) {
    if (object->kind == GdiKind::Pen) {
        delete reinterpret_cast<Pen*>(object);
    } else {
        delete reinterpret_cast<Brush*>(object);
    }
}

// Returns true when the object still exists afterwards.
bool deselect(GdiObject* object) {
    object->selectedCount = std::max(0, object->selectedCount - 1);
    if (object->selectedCount == 0 && object->deletePending && !object->stock) {
        freeObject(object);
        return false;
    }
    return true;
}

}  // namespace

DeviceContext* makeDeviceContext(const raster::Canvas& canvas) {
    auto* dc = new DeviceContext;
    dc->canvas = canvas;
    dc->pen = &stockBlackPen();
    dc->brush = &stockWhiteBrush();
    dc->pen->header.selectedCount++;
    dc->brush->header.selectedCount++;
    return dc;
}

void destroyDeviceContext(DeviceContext* dc) {
    if (dc == nullptr) {
        return;
    }
    deselect(&dc->pen->header);
    deselect(&dc->brush->header);
    delete dc;
}

HPEN CreatePen(int style, int width, COLORREF color) {
    auto* pen = new Pen;
    pen->style = style;
    // Width 0 means the thinnest line, as on Windows.
    pen->width = std::clamp(width, 1, raster::kMaxPenWidth);
    pen->pixel = raster::pixelFromColorref(color);
    return pen;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto* brush = new Brush;
    brush->pixel = raster::pixelFromColorref(color);
    return brush;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    if (dc == nullptr || object == nullptr) {
        return nullptr;
    }
    GdiObject* header = headerOf(object);
    if (header->deletePending) {
        std::fprintf(stderr, "SelectObject: the object was deleted\n");
        return nullptr;
    }
    header->selectedCount++;
    GdiObject* previous = nullptr;
    if (header->kind == GdiKind::Pen) {
        previous = &dc->pen->header;
        dc->pen = reinterpret_cast<Pen*>(header);
    } else {
        previous = &dc->brush->header;
        dc->brush = reinterpret_cast<Brush*>(header);
    }
    // A previous object that was deleted while selected is freed now; there is no handle left
    // to give back.
    return deselect(previous) ? static_cast<HGDIOBJ>(previous) : nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (object == nullptr) {
        return FALSE;
    }
    GdiObject* header = headerOf(object);
    if (header->deletePending) {
        return FALSE;
    }
    if (header->stock) {
        return TRUE;  // stock objects are permanent
    }
    if (header->selectedCount > 0) {
        // Freed once the last device context lets go of it, so a context never points at
        // freed memory.
        header->deletePending = true;
        return TRUE;
    }
    freeObject(header);
    return TRUE;
}

}  // namespace win
