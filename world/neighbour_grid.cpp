#include "world/neighbour_grid.h"

#include <cmath>

#include "steering/agent.h"
#include "world/obstacles.h"

namespace steering {

NeighbourGrid neighbourGrid;

bool NeighbourGrid::init(uint32_t newColumns, uint32_t newRows) {
    columns = newColumns;
    rows = newRows;
    cellsPerUnitX = newColumns / 65536.0;
    cellsPerUnitY = newRows / 65536.0;
    cellWidth = 65536.0 / newColumns;
    cellHeight = 65536.0 / newRows;
    agentCells_.reset(newColumns, newRows);
    obstacleCells_.reset(newColumns, newRows);
    return true;
}

void NeighbourGrid::clear() {
    agentCells_.reset(columns, rows);
    obstacleCells_.reset(columns, rows);
}

void NeighbourGrid::clearObstacles() { obstacleCells_.reset(columns, rows); }

CellRange NeighbourGrid::boundingCells(Fixed left, Fixed top, Fixed right, Fixed bottom) const {
    CellRange range;
    if (columns == 0 || rows == 0) return range;
    // Cell coordinates in 16.16 form: the bucket index is the integer part.
    const int32_t leftCell = truncToInt(std::floor(left * cellsPerUnitX));
    const int32_t topCell = truncToInt(std::floor(top * cellsPerUnitY));
    const int32_t rightCell = truncToInt(std::floor(right * cellsPerUnitX));
    const int32_t bottomCell = truncToInt(std::floor(bottom * cellsPerUnitY));
    auto first = [](int32_t value, uint32_t count) {
        const uint32_t cell = value < 65536 ? 0u : static_cast<uint32_t>(value >> 16);
        return cell < count ? cell : count - 1;
    };
    // A negative last cell, read unsigned, also lands on the far border.
    auto last = [](int32_t value, uint32_t count) {
        const uint32_t cell = static_cast<uint32_t>(value >> 16);
        return cell >= count - 1 ? count - 1 : cell;
    };
    range.firstColumn = first(leftCell, columns);
    range.firstRow = first(topCell, rows);
    range.lastColumn = last(rightCell, columns);
    range.lastRow = last(bottomCell, rows);
    return range;
}

CellRange NeighbourGrid::queryCells(FixedVec position, double radius) const {
    CellRange range;
    if (columns == 0 || rows == 0) return range;
    const int32_t left = truncToInt(position.x - radius) >> 16;  // whole world units
    const int32_t top = truncToInt(position.y - radius) >> 16;
    const int32_t right = truncToInt(position.x + radius) >> 16;
    const int32_t bottom = truncToInt(position.y + radius) >> 16;
    auto first = [](int32_t whole, double size, uint32_t count) {
        const int32_t cell = truncToInt(whole / size);
        if (cell <= 0) return 0u;
        return static_cast<uint32_t>(cell) < count ? static_cast<uint32_t>(cell) : count - 1;
    };
    auto last = [](int32_t whole, double size, uint32_t count) {
        const uint32_t cell = static_cast<uint32_t>(truncToInt(whole / size));
        return cell >= count - 1 ? count - 1 : cell;
    };
    range.firstColumn = first(left, cellWidth, columns);
    range.firstRow = first(top, cellHeight, rows);
    range.lastColumn = last(right, cellWidth, columns);
    range.lastRow = last(bottom, cellHeight, rows);
    return range;
}

namespace {

CellRange agentCellsOf(const NeighbourGrid& grid, FixedVec position, Fixed radius) {
    return grid.boundingCells(wrapSub(position.x, radius), wrapSub(position.y, radius), wrapAdd(position.x, radius),
                              wrapAdd(position.y, radius));
}

}  // namespace

void NeighbourGrid::insertAgent(Agent* agent) {
    agentCells_.insert(agent, agentCellsOf(*this, agent->position, agent->radius));
}

void NeighbourGrid::removeAgent(FixedVec position, Agent* agent) {
    agentCells_.remove(agent, agentCellsOf(*this, position, agent->radius), false);
}

void NeighbourGrid::moveAgent(FixedVec oldPosition, Agent* agent) {
    agentCells_.remove(agent, agentCellsOf(*this, oldPosition, agent->radius), true);
    agentCells_.insert(agent, agentCellsOf(*this, agent->position, agent->radius));
}

void NeighbourGrid::insertObstacle(const Obstacle* obstacle) {
    obstacleCells_.insert(obstacle, agentCellsOf(*this, {obstacle->x, obstacle->y}, obstacle->radius));
}

std::size_t NeighbourGrid::queryAgents(FixedVec position, double radius, std::vector<Agent*>& result) {
    return agentCells_.query(queryCells(position, radius), result);
}

std::size_t NeighbourGrid::queryObstacles(FixedVec position, double radius, std::vector<const Obstacle*>& result) {
    return obstacleCells_.query(queryCells(position, radius), result);
}

int NeighbourGrid::agentCount(uint32_t column, uint32_t row) const {
    if (column >= columns || row >= rows) return 0;
    return agentCells_.count(column, row);
}

int NeighbourGrid::obstacleCount(uint32_t column, uint32_t row) const {
    if (column >= columns || row >= rows) return 0;
    return obstacleCells_.count(column, row);
}

int NeighbourGrid::occupancy(uint32_t column, uint32_t row) const {
    return agentCount(column, row) + obstacleCount(column, row);
}

}  // namespace steering
