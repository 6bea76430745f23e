#pragma once
// The picture the platform demo draws each frame: every GDI primitive the programs use.
#include <cstdint>

#include "platform/win.h"

namespace platform_demo {

// Pens and brushes of the demo, made once.
struct DemoResources {
    win::HPEN thinBlack = nullptr;
    win::HPEN thickBlack = nullptr;
    win::HPEN magenta = nullptr;
    win::HPEN blue = nullptr;
    win::HBRUSH teal = nullptr;
    win::HBRUSH orange = nullptr;
    win::HBRUSH green = nullptr;
};

DemoResources makeResources();
void deleteResources(const DemoResources& resources);

// Draws frame number `frame` into `dc`; `highlight` adds a marker box (toggled by a menu item).
void drawScene(win::HDC dc, const DemoResources& resources, uint32_t frame, bool highlight);

}  // namespace platform_demo
