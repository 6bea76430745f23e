#include "programs/steering_basic/basic_drawing.h"

#include "programs/small_kit/unit_drawing.h"

namespace steering_basic {

namespace {

using small_kit::toWorld;
using small_kit::truncToInt32;

// Velocity and force lines are drawn this many steps long so that they are visible.
constexpr double kVectorLineScale = 15.0;

void moveTo(win::HDC dc, DoubleVec p) { win::MoveToEx(dc, truncToInt32(p.x), truncToInt32(p.y), nullptr); }
void lineTo(win::HDC dc, DoubleVec p) { win::LineTo(dc, truncToInt32(p.x), truncToInt32(p.y)); }

}  // namespace

BasicDrawingResources createDrawingResources() {
    using namespace win;
    BasicDrawingResources r{};
    r.tealBrush = CreateSolidBrush(RGB(0, 200, 200));
    r.thickBlackPen = CreatePen(PS_SOLID, 2, RGB(0, 0, 0));
    r.magentaPen = CreatePen(PS_SOLID, 1, RGB(255, 0, 255));
    r.bluePen = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    return r;
}

void deleteDrawingResources(BasicDrawingResources& r) {
    if (r.tealBrush != nullptr) win::DeleteObject(r.tealBrush);
    r.tealBrush = nullptr;
    for (win::HPEN* pen : {&r.thickBlackPen, &r.magentaPen, &r.bluePen}) {
        if (*pen != nullptr) win::DeleteObject(*pen);
        *pen = nullptr;
    }
}

void drawAgent(const BasicAgent& agent, win::HDC dc, const BasicDrawingResources& r, bool overlay) {
    const DoubleVec p = agent.position;
    const double radius = agent.radius;

    small_kit::drawUnitDisc(dc, r.thickBlackPen, r.tealBrush, p, radius);
    if (!overlay) return;

    win::SelectObject(dc, r.magentaPen);
    moveTo(dc, p);
    lineTo(dc, p + agent.velocity * kVectorLineScale);

    win::SelectObject(dc, r.bluePen);
    moveTo(dc, p);
    lineTo(dc, p + agent.steeringForce * kVectorLineScale);

    // Three sides of the avoidance box of "avoid_static_2", open at the agent.
    const double boxLength = 2.0 * radius;
    moveTo(dc, toWorld(agent, DoubleVec{0.0, radius}));
    lineTo(dc, toWorld(agent, DoubleVec{boxLength, radius}));
    lineTo(dc, toWorld(agent, DoubleVec{boxLength, -radius}));
    lineTo(dc, toWorld(agent, DoubleVec{0.0, -radius}));
}

}  // namespace steering_basic
