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
    powerOfTwo = -1;
    for (int k = 0; k <= 16; ++k) {
        if (newColumns == (1u << k) && newRows == (1u << k)) powerOfTwo = k;
    }
    agentCells_.reset(newColumns, newRows);
    obstacleCells_.reset(newColumns, newRows);
    resetObstacleRows();
    return true;
}

void NeighbourGrid::clear() {
    agentCells_.reset(columns, rows);
    obstacleCells_.reset(columns, rows);
    resetObstacleRows();
}

void NeighbourGrid::clearObstacles() {
    obstacleCells_.reset(columns, rows);
    resetObstacleRows();
}

void NeighbourGrid::resetObstacleRows() {
    obstacleRowWords_ = (rows + 63u) / 64u;
    obstacleRows_.assign(static_cast<std::size_t>(columns) * obstacleRowWords_, 0u);
    if (rows == 0) obstacleRows_.clear();
}

namespace {

// A cell index, clamped to 0..count-1: a square reaching past an edge of the grid is
// registered (and looked up) in the border cells, and one lying wholly outside only in the
// border cells it faces, never in every cell of a row or column.
uint32_t clampedCell(double cell, uint32_t count) {
    if (!(cell > 0.0)) return 0u;  // negative, and NaN from a NaN radius
    if (cell >= count - 1) return count - 1;
    return static_cast<uint32_t>(cell);
}

// Raw values this far from zero are still exact in a double, so the shift rules below
// agree with the floating-point ones; larger ones take the floating-point way.
constexpr int64_t kExactRaw = int64_t{1} << 52;

bool withinExact(int64_t raw) { return raw > -kExactRaw && raw < kExactRaw; }

}  // namespace

CellRange NeighbourGrid::boundingCells(int64_t left, int64_t top, int64_t right, int64_t bottom) const {
    CellRange range;
    if (columns == 0 || rows == 0) return range;
    if (powerOfTwo >= 0 && withinExact(left) && withinExact(top) && withinExact(right) && withinExact(bottom)) {
        // raw * 2^k / 2^16, floored, then / 2^16, floored: one arithmetic shift.
        const int shift = 32 - powerOfTwo;
        range.firstColumn = clampedCellNumber(left >> shift, columns);
        range.firstRow = clampedCellNumber(top >> shift, rows);
        range.lastColumn = clampedCellNumber(right >> shift, columns);
        range.lastRow = clampedCellNumber(bottom >> shift, rows);
        return range;
    }
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
    // A whole half-size (every visit's) takes the integer way; the results are the same.
    if (powerOfTwo >= 0 && radius == std::trunc(radius) && std::fabs(radius) < 1.0e15) {
        return shiftedCells(position.x, position.y, static_cast<int64_t>(radius));
    }
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

int32_t NeighbourGrid::insertAgent(Agent* agent, FixedVec position, Fixed radius) {
    return agentCells_.insert(agent, agentCellsOf(position, radius), NeighbourCopy{position, radius});
}

void NeighbourGrid::removeAgent(Agent* agent, FixedVec position, Fixed radius) {
    agentCells_.remove(agent, agentCellsOf(position, radius), false);
}

int32_t NeighbourGrid::moveAgent(Agent* agent, FixedVec oldPosition, FixedVec newPosition, Fixed radius,
                                 int32_t recordHint) {
    return agentCells_.move(agent, agentCellsOf(oldPosition, radius), agentCellsOf(newPosition, radius),
                            NeighbourCopy{newPosition, radius}, recordHint);
}

void NeighbourGrid::insertObstacle(const Obstacle* obstacle) {
    const FixedVec centre{obstacle->x, obstacle->y};
    const CellRange cells = agentCellsOf(centre, obstacle->radius);
    if (obstacleCells_.insert(obstacle, cells, NoCopy{}) == CellLists<const Obstacle, NoCopy>::kNoRecord) return;
    for (uint32_t c = cells.firstColumn; c <= cells.lastColumn; ++c) {
        for (uint32_t r = cells.firstRow; r <= cells.lastRow; ++r) {
            obstacleRows_[static_cast<std::size_t>(c) * obstacleRowWords_ + r / 64u] |= uint64_t{1} << (r % 64u);
        }
    }
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
