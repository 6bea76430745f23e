#include "world/obstacles.h"

#include <new>

#include "world/neighbour_grid.h"

namespace steering {

ObstacleList obstacleList;

void ObstacleList::add(const Obstacle& obstacle) {
    std::unique_ptr<Obstacle> copy(new (std::nothrow) Obstacle(obstacle));
    if (!copy) return;
    obstacles_.push_back(std::move(copy));
    neighbourGrid.insertObstacle(obstacles_.back().get());
}

void ObstacleList::clear() { obstacles_.clear(); }

}  // namespace steering
