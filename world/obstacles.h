#pragma once
// The round obstacles made from the map's markers at set-up; fixed afterwards.
#include <memory>
#include <vector>

#include "world/fixed_math.h"

namespace steering {

class NeighbourGrid;

struct Obstacle {
    Fixed x = 0;       // centre, world units
    Fixed y = 0;
    Fixed radius = 0;  // world units (140.0 for map obstacles)
};

class ObstacleList {
public:
    // Copies the record, appends it and registers it in the neighbour grid.
    void add(const Obstacle& obstacle, NeighbourGrid& grid);
    // Frees every obstacle. The neighbour grid still names them, so clear it too.
    void clear();
    std::size_t size() const { return obstacles_.size(); }
    auto begin() const { return obstacles_.begin(); }
    auto end() const { return obstacles_.end(); }

private:
    std::vector<std::unique_ptr<Obstacle>> obstacles_;  // stable addresses for the grid
};


}  // namespace steering
