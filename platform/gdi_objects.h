#pragma once
// What GDI handles point at. Pens and brushes are plain heap objects with no registry, so
// they can be created during static initialisation of any translation unit.
#include <cstdint>
#include <type_traits>

#include "platform/raster.h"
#include "platform/win.h"

namespace win {

enum class GdiKind : uint8_t { Pen, Brush };

// The common first member of every GDI object: an HGDIOBJ (void*) points at it, and the
// object it heads is reached again by its kind.
struct GdiObject {
    GdiKind kind = GdiKind::Pen;
    bool stock = false;          // built-in default objects are never freed
    bool deletePending = false;  // DeleteObject came while the object was selected
    int selectedCount = 0;       // device contexts holding it selected
};

struct Pen {
    GdiObject header{GdiKind::Pen};
    int style = PS_SOLID;
    int width = 1;       // pixels, 1..raster::kMaxPenWidth
    uint32_t pixel = 0;  // 0x00RRGGBB
};

struct Brush {
    GdiObject header{GdiKind::Brush};
    uint32_t pixel = 0;  // 0x00RRGGBB
};

// Pen and Brush begin with their header, so a handle and its header share one address.
static_assert(std::is_standard_layout_v<Pen> && std::is_standard_layout_v<Brush>);

// A device context draws into a canvas it does not own (a surface's or a window's pixels).
struct DeviceContext {
    raster::Canvas canvas;
    Pen* pen = nullptr;      // never null once made by makeDeviceContext
    Brush* brush = nullptr;  // never null once made by makeDeviceContext
    int64_t currentX = 0;    // pixels; the pen position of MoveToEx/LineTo
    int64_t currentY = 0;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
};

// A device context with the default black pen and white brush selected.
DeviceContext* makeDeviceContext(const raster::Canvas& canvas);
// Deselects its objects (completing pending deletions) and frees it.
void destroyDeviceContext(DeviceContext* dc);

}  // namespace win
