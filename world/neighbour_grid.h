#pragma once
// 128 x 128 buckets of 512 world units through which agents find nearby agents and
// obstacles. Results and their order follow the grid's cell order; queries allocate nothing.
#include <cstdint>
#include <vector>

#include "platform/win.h"
#include "world/fixed_math.h"

namespace steering {

struct Agent;
struct Obstacle;

class NeighbourGrid {
public:
    bool init(uint32_t columns, uint32_t rows);
    void insertAgent(Agent* agent);
    void removeAgent(FixedVec position, Agent* agent);
    void moveAgent(FixedVec oldPosition, Agent* agent);
    void insertObstacle(const Obstacle* obstacle);

    // Appends each agent registered in a cell touched by the query square that the result
    // does not already hold; returns the result's size. radius is in raw Fixed units.
    std::size_t queryAgents(FixedVec position, double radius, std::vector<Agent*>& result);
    std::size_t queryObstacles(FixedVec position, double radius, std::vector<const Obstacle*>& result);

    void draw(win::HDC dc, const WorldRect& viewRect) const;

    // Number of agents plus obstacles registered in a cell (for drawing and tests).
    int occupancy(uint32_t column, uint32_t row) const;

    uint32_t columns = 0;
    uint32_t rows = 0;
    double cellsPerUnitX = 0.0;  // 1/512
    double cellsPerUnitY = 0.0;
    double cellWidth = 0.0;      // 512.0 world units
    double cellHeight = 0.0;

};

extern NeighbourGrid neighbourGrid;

}  // namespace steering
