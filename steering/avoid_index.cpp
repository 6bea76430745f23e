// "avoid_agents"' sorted view of the population for one step.
#include "steering/avoid_index.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "steering/agent.h"
#include "steering/world.h"
#include "world/neighbour_grid.h"

namespace steering {

void AvoidIndex::build(World& world) {
    const NeighbourGrid& grid = world.neighbourGrid;
    const std::size_t population = world.agentList.size();
    usable = grid.powerOfTwo >= 0 && grid.columns == grid.rows && population > 0 &&
             grid.registeredAgents() == population;
    moved = 0.0;
    if (!usable) return;
    shift = 32 - grid.powerOfTwo;
    count = grid.columns;
    // First in the population's order, with each agent's cell and the block of cells they
    // all lie in...
    taken_.resize(population);
    uint32_t lastColumn = 0, lastRow = 0;
    firstColumn = count, firstRow = count;
    std::size_t index = 0;
    for (const Agent& agent : world.agentList) {
        Taken& taken = taken_[index++];
        taken.agent = &agent;
        taken.record = grid.agentRecord(&agent, agent.gridRecord);
        if (taken.record <= 0 || !grid.agentCopy(taken.record, taken.copy)) {
            usable = false;
            return;
        }
        taken.column = clamped(taken.copy.position.x >> shift);
        taken.row = clamped(taken.copy.position.y >> shift);
        firstColumn = std::min(firstColumn, taken.column), lastColumn = std::max(lastColumn, taken.column);
        firstRow = std::min(firstRow, taken.row), lastRow = std::max(lastRow, taken.row);
    }
    // ...then counted into the cells of that block, columns outer, each cell's agents in the
    // population's order. A block far larger than the population (a few agents far apart)
    // would cost more to clear each step than the grid's way: not used then.
    height = lastRow - firstRow + 1;
    const std::size_t cells = static_cast<std::size_t>(lastColumn - firstColumn + 1) * height;
    if (cells > 8 * population + 256) {
        usable = false;
        return;
    }
    cellStart.assign(cells + 1, 0);
    const auto cellOf = [&](const Taken& taken) {
        return static_cast<std::size_t>(taken.column - firstColumn) * height + (taken.row - firstRow);
    };
    for (const Taken& taken : taken_) ++cellStart[cellOf(taken) + 1];
    for (std::size_t c = 0; c < cells; ++c) cellStart[c + 1] += cellStart[c];
    // Three places past the last stay at zero, so that four lanes can be read from any place.
    for (std::vector<int32_t>* values : {&x, &y, &radius, &velocityX, &velocityY}) values->assign(population + 3, 0);
    agents.resize(population), records.resize(population), placeOf.resize(population);
    startX.resize(population), startY.resize(population);
    for (std::size_t from = 0; from < population; ++from) {
        const Taken& taken = taken_[from];
        const uint32_t place = cellStart[cellOf(taken)]++;
        x[place] = startX[place] = taken.copy.position.x;
        y[place] = startY[place] = taken.copy.position.y;
        radius[place] = taken.copy.radius;
        velocityX[place] = taken.agent->velocity.x, velocityY[place] = taken.agent->velocity.y;
        agents[place] = taken.agent;
        records[place] = taken.record;
        placeOf[from] = place;
    }
    // Each count now stands at its cell's end, the next cell's start: shift back by one.
    for (std::size_t c = cells; c > 0; --c) cellStart[c] = cellStart[c - 1];
    cellStart[0] = 0;
}

void AvoidIndex::noteMove(std::size_t index, FixedVec position, FixedVec velocity) {
    if (!usable || index >= placeOf.size()) return;
    const uint32_t place = placeOf[index];
    x[place] = position.x, y[place] = position.y;
    velocityX[place] = velocity.x, velocityY[place] = velocity.y;
    const double distance = std::fabs(static_cast<double>(position.x) - startX[place]) +
                            std::fabs(static_cast<double>(position.y) - startY[place]);
    moved = std::max(moved, distance);
}

std::pair<uint32_t, uint32_t> AvoidIndex::run(uint32_t column, uint32_t fromRow, uint32_t toRow) const {
    const uint32_t columns = static_cast<uint32_t>((cellStart.size() - 1) / height);
    fromRow = std::max(fromRow, firstRow);
    toRow = std::min(toRow, firstRow + height - 1);
    if (column < firstColumn || column - firstColumn >= columns || fromRow > toRow) return {0, 0};
    const std::size_t base = static_cast<std::size_t>(column - firstColumn) * height;
    return {cellStart[base + (fromRow - firstRow)], cellStart[base + (toRow - firstRow) + 1]};
}

}  // namespace steering
