#pragma once
// Where an agent can stand: the open cells (anything but a wall) among the cells agents
// reach, and the one nearest to a point. Edit mode moves agents out of new walls with it;
// Insert and the set-up place new agents with it, so none starts in a wall or off the map.
#include <cstdint>

#include "world/fixed_math.h"
#include "world/grid_map.h"

namespace steering {

// Agents stand in cells 0..127 of each axis: 16.16 positions end at 32,767.99998 world units.
constexpr int32_t kReachableCells = 128;
constexpr int32_t kCellUnits = 256;                                  // world units per cell
constexpr int32_t kReachableUnits = kReachableCells * kCellUnits;    // 32,768

// The centre of a cell (within reach) as 16.16 world units.
FixedVec cellCentre(CellIndex cell);

// True when position lies within reach (both coordinates at or above 0) in a cell that is
// not a wall.
bool inOpenCell(const GridMap& map, FixedVec position);

// The open cell (not a wall, within the cells agents can reach) whose centre is nearest to
// position, scanning outward from its cell (pulled into reach); false when the map has none.
// Ties go to the first cell in row-then-column order.
bool nearestOpenCell(const GridMap& map, FixedVec position, CellIndex& found);

// Where an agent put at (wholeX, wholeY) whole world units stands: the point itself when it
// lies within reach in an open cell; otherwise the centre of the open cell nearest to the
// point pulled into reach (each coordinate clamped to 0..32,767, before the conversion to
// 16.16 could wrap it); that pulled-in point when the map has no open cell.
FixedVec placeInOpenCell(const GridMap& map, int32_t wholeX, int32_t wholeY);

}  // namespace steering
