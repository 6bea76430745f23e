#include "world/map_install.h"

#include <algorithm>
#include <vector>

#include "navigation/navigation.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "world/world_navigation.h"

namespace steering {

void extractObstacles() {
    std::vector<Obstacle> found;
    rewriteObstacleMarkers(gridMap.cells(), found);
    for (const Obstacle& obstacle : found) obstacleList.add(obstacle);
}

void installMap(const PreparedMap& map) {
    if (gridMap.cells() == nullptr) return;
    std::copy(map.cells.begin(), map.cells.end(), gridMap.cells());
    obstacleList.clear();
    neighbourGrid.clearObstacles();
    for (const Obstacle& obstacle : map.obstacles) obstacleList.add(obstacle);
    nav::cellLinkRule = sameCellType;
    nav::build_navigation(steering::navMesh, gridMap.cells());
}

}  // namespace steering
