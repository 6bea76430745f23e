#include "world/obstacles.h"

#include <new>

#include "world/neighbour_grid.h"

namespace steering {

void ObstacleList::add(const Obstacle& obstacle, NeighbourGrid& grid) {
    std::unique_ptr<Obstacle> copy(new (std::nothrow) Obstacle(obstacle));
    if (!copy) return;
    obstacles_.push_back(std::move(copy));
    grid.insertObstacle(obstacles_.back().get());
}

void ObstacleList::clear() { obstacles_.clear(); }

}  // namespace steering
