#include "tools/navtool/planners.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "navigation/nav_mesh.h"
#include "navigation/shortest_path.h"

namespace navtool {

void plan(steering::World& world, NavigationMode mode, nav::PathResult& result, int fromX, int fromY, int toX, int toY) {
    steering::planPath(world, mode, result, fromX, fromY, toX, toY, kToolCornerClearance);
}

void printCornerGraph(steering::World& world) {
    constexpr int kTimedMakings = 5;
    nav::ShortestSearchState& state = *world.shortestSearch;
    double best = 1e30;
    for (int i = 0; i < kTimedMakings; ++i) {
        state.cachedMesh = nullptr;  // forget the tables, as a rebuilt mesh does
        const auto start = std::chrono::steady_clock::now();
        nav::prepareShortestPaths(world.navMesh, state, world.navMesh.linkRule, world.navMesh.clearanceLevel);
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    const nav::CornerGraph& g = state.graph;
    if (g.status != nav::CornerGraph::Status::Ready) {
        std::printf("corner graph: unavailable (shortest queries search without it)\n");
        return;
    }
    std::printf("corner graph: %d corners, %d edges of %d, %d sightings of %d, made in %.3f ms (best of %d)\n",
                g.cornerCount, g.edgeCount, nav::kMaxCornerEdges, g.sightingCount, nav::kMaxCornerSightings, best,
                kTimedMakings);
}

}  // namespace navtool
