#include "world/neighbour_grid.h"

#include <cmath>

#include "world/obstacles.h"

namespace steering {


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

namespace {

// A cell index, clamped to 0..count-1: a square reaching past an edge of the grid is
// registered (and looked up) in the border cells, and one lying wholly outside only in the
// border cells it faces, never in every cell of a row or column.
uint32_t clampedCell(double cell, uint32_t count) {
    if (!(cell > 0.0)) return 0u;  // negative, and NaN from a NaN radius
    if (cell >= count - 1) return count - 1;
    return static_cast<uint32_t>(cell);
}

}  // namespace

CellRange NeighbourGrid::boundingCells(int64_t left, int64_t top, int64_t right, int64_t bottom) const {
    CellRange range;
    if (columns == 0 || rows == 0) return range;
    // Raw 16.16 values times cells per unit give cell coordinates in 16.16 form; the bucket
    // is their integer part (floored, so a negative coordinate stays left of cell 0).
    auto cellOf = [](int64_t raw, double cellsPerUnit) {
        return std::floor(std::floor(static_cast<double>(raw) * cellsPerUnit) / 65536.0);
    };
    range.firstColumn = clampedCell(cellOf(left, cellsPerUnitX), columns);
    range.firstRow = clampedCell(cellOf(top, cellsPerUnitY), rows);
    range.lastColumn = clampedCell(cellOf(right, cellsPerUnitX), columns);
    range.lastRow = clampedCell(cellOf(bottom, cellsPerUnitY), rows);
    return range;
}

CellRange NeighbourGrid::queryCells(FixedVec position, double radius) const {
    CellRange range;
    if (columns == 0 || rows == 0) return range;
    // Whole world units of the square's edges (truncated raw value, floored to units), then
    // the cell by a truncating division; 64-bit so an edge past the Fixed range stays put.
    auto cellOf = [](double raw, double size) {
        const int64_t whole = truncToInt64(raw) >> 16;
        return std::trunc(static_cast<double>(whole) / size);
    };
    range.firstColumn = clampedCell(cellOf(position.x - radius, cellWidth), columns);
    range.firstRow = clampedCell(cellOf(position.y - radius, cellHeight), rows);
    range.lastColumn = clampedCell(cellOf(position.x + radius, cellWidth), columns);
    range.lastRow = clampedCell(cellOf(position.y + radius, cellHeight), rows);
    return range;
}

namespace {

CellRange agentCellsOf(const NeighbourGrid& grid, FixedVec position, Fixed radius) {
    // 64-bit edges: a square reaching past the Fixed range does not wrap to the far side.
    const int64_t x = position.x;
    const int64_t y = position.y;
    return grid.boundingCells(x - radius, y - radius, x + radius, y + radius);
}

}  // namespace

void NeighbourGrid::insertAgent(Agent* agent, FixedVec position, Fixed radius) {
    agentCells_.insert(agent, agentCellsOf(*this, position, radius));
}

void NeighbourGrid::removeAgent(Agent* agent, FixedVec position, Fixed radius) {
    agentCells_.remove(agent, agentCellsOf(*this, position, radius), false);
}

void NeighbourGrid::moveAgent(Agent* agent, FixedVec oldPosition, FixedVec newPosition, Fixed radius) {
    agentCells_.remove(agent, agentCellsOf(*this, oldPosition, radius), true);
    agentCells_.insert(agent, agentCellsOf(*this, newPosition, radius));
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
