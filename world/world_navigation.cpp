#include "world/world_navigation.h"

#include "navigation/route_planning.h"

namespace steering {

// Several hundred kilobytes of tables each: static storage, zeroed at start (generation
// 255, clearance level 1), never allocated per query.
nav::NavMesh navMesh;
nav::RouteSearch routeSearch;

void requestWorldPath(nav::PathResult& result, int fromX, int fromY, int toX, int toY, int gateFraction) {
    nav::request_agent_path(navMesh, routeSearch, result, fromX, fromY, toX, toY, gateFraction);
}

}  // namespace steering
