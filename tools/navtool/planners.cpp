#include "tools/navtool/planners.h"

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
    query.linkRule = nav::cellLinkRule;
    query.passTableNumber = navtool::mesh.clearanceLevel;
    nav::find_shortest_path(navtool::mesh, searchState(), query, result);
}

const char* planner_name(Planner planner) { return planner == Planner::Classic ? "classic" : "shortest"; }

}  // namespace navtool
