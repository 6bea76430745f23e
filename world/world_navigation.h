#pragma once
// The world's navigation: the mesh that installMap builds over the grid map and the working
// state of the agents' path queries. The navigation library keeps neither; the world owns
// one of each and passes them to every build and query.
#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"

namespace steering {

extern nav::NavMesh navMesh;
extern nav::RouteSearch routeSearch;

// nav::request_agent_path on the world's mesh and search state.
void requestWorldPath(nav::PathResult& result, int fromX, int fromY, int toX, int toY, int gateFraction);

}  // namespace steering
