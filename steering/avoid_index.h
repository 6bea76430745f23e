#pragma once
// "avoid_agents"' view of the population for one step. The step's first "avoid_agents" builds
// it (AvoidIndex::build) and AgentList::updateAll keeps it current after each agent's update
// and move (noteMove), the only place within a step where an agent's position or velocity
// changes. It holds every agent's position and radius (as the neighbour grid's copy has
// them) and velocity side by side, sorted by the cell (of the grid's size) that held the
// agent's centre when the step began, columns outer and rows inner: the agents whose centres
// began the step in a block of cells are one run of each array per column, found from a
// table of the cells' first places.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "world/fixed_math.h"
#include "world/neighbour_grid.h"

namespace steering {

struct Agent;
struct World;

struct AvoidIndex {
    // Built this step, over a power-of-two grid holding exactly the population's agents;
    // false: not to be used.
    bool usable = false;
    int shift = 0;       // a raw coordinate's cell: clamped(value >> shift)
    uint32_t count = 0;  // cells a side
    // By place in the sorted order (the first five with three places of zeros past the end).
    std::vector<int32_t> x, y, radius, velocityX, velocityY;
    std::vector<const Agent*> agents;
    std::vector<int32_t> records;  // the agents' grid records
    std::vector<int32_t> startX, startY;
    std::vector<uint32_t> placeOf;  // the place of each agent, in the population's order
    // The block of cells every centre began the step in: its first column and row, its
    // height, and per cell (columns outer) its first place, one past the last at the end.
    uint32_t firstColumn = 0, firstRow = 0, height = 1;
    std::vector<uint32_t> cellStart;
    // An upper bound on how far (raw units) any agent has moved from where it began the step.
    double moved = 0.0;

    // Takes every agent of the world's population (in its order) from the grid's copies and
    // the agents' velocities. Allocates only when the population has grown.
    void build(World& world);
    // After the index-th agent (population order) moved to position with velocity.
    void noteMove(std::size_t index, FixedVec position, FixedVec velocity);

    uint32_t clamped(int64_t cell) const { return NeighbourGrid::clampedCellNumber(cell, count); }
    // The places, in column `column`, of the agents whose centres began the step in rows
    // fromRow..toRow: one run, as the cells of a column are.
    std::pair<uint32_t, uint32_t> run(uint32_t column, uint32_t fromRow, uint32_t toRow) const;

private:
    struct Taken {
        const Agent* agent;
        int32_t record;
        NeighbourCopy copy;
        uint32_t column, row;
    };
    std::vector<Taken> taken_;  // in the population's order
};

}  // namespace steering
