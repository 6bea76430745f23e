#include "programs/steering_walls/walls_drawing.h"

#include <cstdio>

#include "programs/steering_walls/walls_behaviours.h"
#include "programs/steering_walls/walls_world.h"
#include "programs/small_kit/unit_drawing.h"

namespace steering_walls {

namespace {

// Velocity and force lines are drawn this many steps long so that they are visible.
constexpr double kVectorLineScale = 15.0;
// The short black velocity line: two steps ahead.
constexpr double kShortVelocityScale = 2.0;
// Text position of the neighbour count relative to the agent's centre, pixels.
constexpr double kCountTextOffset = 10.0;

void line(win::HDC dc, DoubleVec from, DoubleVec to) {
    win::MoveToEx(dc, truncToInt32(from.x), truncToInt32(from.y), nullptr);
    win::LineTo(dc, truncToInt32(to.x), truncToInt32(to.y));
}

}  // namespace

WallsDrawingResources createDrawingResources() {
    using namespace win;
    WallsDrawingResources r{};
    r.thickBlackPen = CreatePen(PS_SOLID, 2, RGB(0, 0, 0));
    r.magentaPen = CreatePen(PS_SOLID, 1, RGB(255, 0, 255));
    r.bluePen = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    r.blackPen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    r.tealBrush = CreateSolidBrush(RGB(0, 200, 200));
    r.greenBrush = CreateSolidBrush(RGB(0, 200, 0));
    // 256 - 32n grey for n = 1..7 agents, black for 8 or more.
    for (int n = 1; n <= kOccupancyLevels; ++n) {
        const BYTE level = n >= kOccupancyLevels ? 0 : static_cast<BYTE>(256 - 32 * n);
        r.occupancyBrushes[n - 1] = CreateSolidBrush(RGB(level, level, level));
    }
    return r;
}

void deleteDrawingResources(WallsDrawingResources& r) {
    for (win::HPEN* pen : {&r.thickBlackPen, &r.magentaPen, &r.bluePen, &r.blackPen}) {
        if (*pen != nullptr) {
            win::DeleteObject(*pen);
            *pen = nullptr;
        }
    }
    for (win::HBRUSH* brush : {&r.tealBrush, &r.greenBrush}) {
        if (*brush != nullptr) {
            win::DeleteObject(*brush);
            *brush = nullptr;
        }
    }
    for (win::HBRUSH& brush : r.occupancyBrushes) {
        if (brush != nullptr) {
            win::DeleteObject(brush);
            brush = nullptr;
        }
    }
}

win::HBRUSH occupancyBrush(const WallsDrawingResources& resources, int count) {
    const int level = count < 1 ? 1 : (count > kOccupancyLevels ? kOccupancyLevels : count);
    return resources.occupancyBrushes[level - 1];
}

void drawAgent(const WallsAgent& agent, win::HDC dc, const WallsDrawingResources& r) {
    WallsWorld& world = *agent.world;
    const DoubleVec p = agent.position;
    const double radius = agent.radius;

    small_kit::drawUnitDisc(dc, r.thickBlackPen, r.tealBrush, p, radius);

    if (world.overlayFlags.showVectors) {
        win::SelectObject(dc, r.magentaPen);
        line(dc, p, p + agent.velocity * kVectorLineScale);

        win::SelectObject(dc, r.bluePen);
        line(dc, p, p + weightedForceSum(agent) * kVectorLineScale);

        // Three sides of the look-ahead box of "repel_static", open at the agent.
        const double boxLength = detectionLength(agent);
        const DoubleVec corners[4] = {
            toWorld(agent, DoubleVec{0.0, radius}),
            toWorld(agent, DoubleVec{boxLength, radius}),
            toWorld(agent, DoubleVec{boxLength, -radius}),
            toWorld(agent, DoubleVec{0.0, -radius}),
        };
        line(dc, corners[0], corners[1]);
        win::LineTo(dc, truncToInt32(corners[2].x), truncToInt32(corners[2].y));
        win::LineTo(dc, truncToInt32(corners[3].x), truncToInt32(corners[3].y));

        win::SelectObject(dc, r.blackPen);
        line(dc, p, p + agent.velocity * kShortVelocityScale);
    }

    if (world.overlayFlags.showNeighbours) {
        AgentRefs& candidates = world.candidateScratch;
        candidates.clear();
        const int32_t count =
            world.agentGrid.query(p, static_cast<double>(truncToInt32(2.0 * radius)), candidates);
        // "%d" of a 32-bit count needs at most 11 characters and the terminator.
        char text[12];
        const int length = std::snprintf(text, sizeof text, "%d", count);
        win::SetTextColor(dc, win::RGB(255, 0, 0));
        win::TextOut(dc, truncToInt32(p.x - kCountTextOffset), truncToInt32(p.y - kCountTextOffset), text, length);
    }
}

}  // namespace steering_walls
