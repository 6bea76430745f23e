#include "world/map_install.h"

#include <algorithm>
#include <vector>

#include "navigation/navigation.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "world/world_navigation.h"

namespace steering {

void extractObstacles(Terrain& terrain) {
    std::vector<Obstacle> found;
    rewriteObstacleMarkers(terrain.gridMap.cells(), found);
    for (const Obstacle& obstacle : found) terrain.obstacleList.add(obstacle, terrain.neighbourGrid);
}

void installMap(Terrain& terrain, const PreparedMap& map) {
    if (terrain.gridMap.cells() == nullptr) return;
    std::copy(map.cells.begin(), map.cells.end(), terrain.gridMap.cells());
    terrain.obstacleList.clear();
    terrain.neighbourGrid.clearObstacles();
    for (const Obstacle& obstacle : map.obstacles) terrain.obstacleList.add(obstacle, terrain.neighbourGrid);
    terrain.navMesh.linkRule = sameCellType;
    nav::buildNavigation(terrain.navMesh, terrain.gridMap.cells());
}

}  // namespace steering
