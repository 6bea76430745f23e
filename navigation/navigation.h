#pragma once
// The navigation's public face: the link rule, the build and the path queries agents make.
// Pure: depends on nothing but the standard library, and keeps no mesh of its own: the
// caller owns the NavMesh and the RouteSearch and passes them in.
#include <cstdint>

namespace nav {

struct NavMesh;
struct RouteSearch;

// A type-link rule: 0 not connected, 1 connected, 2 connected at 16 times the search key.
using CellLinkRule = int (*)(uint8_t fromType, uint8_t toType);
int stepLinkRule(uint8_t fromType, uint8_t toType);

constexpr int kMaxPathWaypoints = 256;

struct PathPoint {
    int32_t x = 0;  // whole world units
    int32_t y = 0;
};

struct PathResult {
    int32_t fromX = 0, fromY = 0, toX = 0, toY = 0;  // whole world units
    int32_t waypointCount = 0;                       // 0 when no path exists
    PathPoint waypoints[kMaxPathWaypoints];          // the last one is the destination
};

// Triangulates the 256 x 256 map (cell (x, y) at offset y * 256 + x). On running out of a
// table it reports one line on stderr and leaves a mesh on which every query answers
// "no path". Returns true when the build completed.
bool buildNavigation(NavMesh& mesh, const uint8_t* cells);

// The agents' entry: whole world units; agents pass gateFraction 8192.
void requestAgentPath(NavMesh& mesh, RouteSearch& search, PathResult& result, int fromX, int fromY, int toX, int toY,
                        int gateFraction);

}  // namespace nav
