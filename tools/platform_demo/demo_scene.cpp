// Every primitive once, plus one moving disc so that a running demo is visibly alive.
#include "tools/platform_demo/demo_scene.h"

#include <cstdio>
#include <cstring>

namespace platform_demo {

using namespace win;

DemoResources makeResources() {
    DemoResources r;
    r.thinBlack = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    r.thickBlack = CreatePen(PS_SOLID, 2, RGB(0, 0, 0));
    r.magenta = CreatePen(PS_SOLID, 1, RGB(255, 0, 255));
    r.blue = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    r.teal = CreateSolidBrush(RGB(0, 200, 200));
    r.orange = CreateSolidBrush(RGB(255, 130, 72));
    r.green = CreateSolidBrush(RGB(0, 200, 0));
    return r;
}

void deleteResources(const DemoResources& r) {
    DeleteObject(r.thinBlack);
    DeleteObject(r.thickBlack);
    DeleteObject(r.magenta);
    DeleteObject(r.blue);
    DeleteObject(r.teal);
    DeleteObject(r.orange);
    DeleteObject(r.green);
}

void drawScene(HDC dc, const DemoResources& r, uint32_t frame, bool highlight) {
    // Wall cells: filled rectangles one pixel wider than their spacing, as the map draws them.
    SelectObject(dc, r.blue);
    SelectObject(dc, r.green);
    for (int i = 0; i < 6; ++i) {
        Rectangle(dc, 40 + i * 17, 60, 40 + (i + 1) * 17 + 1, 78);
    }
    // Grid lines.
    for (int x = 300; x <= 600; x += 40) {
        MoveToEx(dc, x, 60, nullptr);
        LineTo(dc, x, 220);
    }
    for (int y = 60; y <= 220; y += 40) {
        MoveToEx(dc, 300, y, nullptr);
        LineTo(dc, 600, y);
    }
    // Obstacles and agents: ellipses with thin and thick outlines.
    SelectObject(dc, r.thinBlack);
    SelectObject(dc, r.orange);
    Ellipse(dc, 60, 120, 120, 180);
    Ellipse(dc, 140, 130, 170, 160);
    SelectObject(dc, r.thickBlack);
    SelectObject(dc, r.teal);
    const int x = 40 + static_cast<int>(frame % 560);
    Ellipse(dc, x, 300, x + 24, 324);
    Ellipse(dc, 200, 120, 260, 200);
    // A heading triangle.
    SelectObject(dc, r.thinBlack);
    const POINT triangle[3] = {{420, 300}, {380, 280}, {380, 320}};
    Polygon(dc, triangle, 3);
    // Velocity and force lines, and a look-ahead box open at the agent's end.
    SelectObject(dc, r.magenta);
    MoveToEx(dc, 400, 300, nullptr);
    LineTo(dc, 470, 260);
    SelectObject(dc, r.blue);
    MoveToEx(dc, 400, 300, nullptr);
    LineTo(dc, 460, 350);
    MoveToEx(dc, 380, 390, nullptr);
    LineTo(dc, 480, 390);
    LineTo(dc, 480, 410);
    LineTo(dc, 380, 410);
    // Text, transparent and opaque.
    SetBkColor(dc, RGB(0, 10, 0));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 0, 0));
    TextOut(dc, 60, 420, "Steering Test 0123456789", 24);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(255, 255, 0));
    SetTextColor(dc, RGB(0, 0, 0));
    char text[32];
    const int n = std::snprintf(text, sizeof text, "frame %u", frame);
    TextOut(dc, 60, 440, text, n);
    // A shape far larger than the surface, clipped: the left edge of a disc 4 million pixels wide.
    SelectObject(dc, r.thinBlack);
    SelectObject(dc, r.green);
    Ellipse(dc, 560, 400 - 2000000, 560 + 4000000, 400 + 2000000);
    if (highlight) {
        SelectObject(dc, r.magenta);
        SelectObject(dc, r.orange);
        Rectangle(dc, 560, 20, 620, 50);
    }
    // Timing-bar style lines.
    SelectObject(dc, r.magenta);
    MoveToEx(dc, 10, 10, nullptr);
    LineTo(dc, 10 + static_cast<int>(frame % 100), 10);
    SelectObject(dc, r.blue);
    MoveToEx(dc, 10, 20, nullptr);
    LineTo(dc, 60, 20);
}

}  // namespace platform_demo
