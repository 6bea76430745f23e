#pragma once
// The ground of one simulation: the grid map, its round obstacles, the neighbour grid, and
// the navigation built over the map (mesh, the classic planner's search state and the
// trace). A world owns one; nothing here is shared between worlds. Several megabytes of
// tables: make it on the heap.
#include "navigation/nav_log.h"
#include "navigation/nav_mesh.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"

namespace steering {

struct Terrain {
    Terrain() { navMesh.log = &navLog; }
    Terrain(const Terrain&) = delete;
    Terrain& operator=(const Terrain&) = delete;

    GridMap gridMap;
    ObstacleList obstacleList;
    NeighbourGrid neighbourGrid;
    nav::NavLog navLog;
    nav::NavMesh navMesh;          // built by installMap; its trace is navLog
    nav::RouteSearch routeSearch;  // working state of the classic planner's queries
};

}  // namespace steering
