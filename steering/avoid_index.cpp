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
    // First in the population's order, with each agent's cell...
    sorting_.resize(population);
    taken_.resize(population);
    std::size_t index = 0;
    for (const Agent& agent : world.agentList) {
        Taken& taken = taken_[index];
        taken.agent = &agent;
        taken.record = grid.agentRecord(&agent, agent.gridRecord);
        if (taken.record <= 0 || !grid.agentCopy(taken.record, taken.copy)) {
            usable = false;
            return;
        }
        const uint32_t column = clamped(taken.copy.position.x >> shift);
        const uint32_t row = clamped(taken.copy.position.y >> shift);
        sorting_[index] = {(column << 16) | row, static_cast<uint32_t>(index)};
        ++index;
    }
    // ...then by cell, columns outer. Three places past the last stay at zero, so that four
    // lanes can be read from any place.
    std::sort(sorting_.begin(), sorting_.end());
    for (std::vector<int32_t>* values : {&x, &y, &radius, &velocityX, &velocityY}) values->assign(population + 3, 0);
    agents.resize(population), records.resize(population), startRow.resize(population), placeOf.resize(population);
    columnStart.assign(count + 1, 0);
    for (std::size_t place = 0; place < population; ++place) {
        const auto [key, from] = sorting_[place];
        const Taken& taken = taken_[from];
        x[place] = taken.copy.position.x, y[place] = taken.copy.position.y, radius[place] = taken.copy.radius;
        velocityX[place] = taken.agent->velocity.x, velocityY[place] = taken.agent->velocity.y;
        agents[place] = taken.agent;
        records[place] = taken.record;
        startRow[place] = key & 0xFFFFu;
        ++columnStart[(key >> 16) + 1];
        placeOf[from] = static_cast<uint32_t>(place);
    }
    for (uint32_t c = 0; c < count; ++c) columnStart[c + 1] += columnStart[c];
    startX.assign(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(population));
    startY.assign(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(population));
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

std::pair<uint32_t, uint32_t> AvoidIndex::run(uint32_t column, uint32_t firstRow, uint32_t lastRow) const {
    const auto begin = startRow.begin() + columnStart[column];
    const auto end = startRow.begin() + columnStart[column + 1];
    const auto from = std::lower_bound(begin, end, firstRow);
    const auto to = std::upper_bound(from, end, lastRow);
    return {static_cast<uint32_t>(from - startRow.begin()), static_cast<uint32_t>(to - startRow.begin())};
}

}  // namespace steering
