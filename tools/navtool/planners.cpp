#include "tools/navtool/planners.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "navigation/nav_mesh.h"
#include "navigation/route_planning.h"
#include "navigation/shortest_path.h"
#include "tools/navtool/nav_store.h"

namespace navtool {

namespace {
// Several megabytes: made once, reused by every query.
nav::ShortestSearchState& searchState() {
    static const std::unique_ptr<nav::ShortestSearchState> state = std::make_unique<nav::ShortestSearchState>();
    return *state;
}
}  // namespace

const nav::ShortestSearchState& shortest_state() { return searchState(); }

void plan(Planner planner, nav::PathResult& result, int fromX, int fromY, int toX, int toY) {
    if (planner == Planner::Classic) {
        nav::request_agent_path(navtool::mesh, navtool::search, result, fromX, fromY, toX, toY, nav::kAgentGateFraction);
        return;
    }
    nav::ShortestQuery query;
    query.fromX = fromX;
    query.fromY = fromY;
    query.toX = toX;
    query.toY = toY;
    query.clearance = kToolCornerClearance;
    query.linkRule = navtool::mesh.linkRule;
    query.passTableNumber = navtool::mesh.clearanceLevel;
    nav::find_shortest_path(navtool::mesh, searchState(), query, result);
}

const char* planner_name(Planner planner) { return planner == Planner::Classic ? "classic" : "shortest"; }

void printCornerGraph() {
    constexpr int kTimedMakings = 5;
    nav::ShortestSearchState& state = searchState();
    double best = 1e30;
    for (int i = 0; i < kTimedMakings; ++i) {
        state.cachedMesh = nullptr;  // forget the tables, as a rebuilt mesh does
        const auto start = std::chrono::steady_clock::now();
        nav::prepare_shortest_paths(navtool::mesh, state, navtool::mesh.linkRule, navtool::mesh.clearanceLevel);
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
