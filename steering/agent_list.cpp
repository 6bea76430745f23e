// The population: owned agents in insertion order, each registered in the neighbour grid.
#include "steering/agent_list.h"

#include "steering/crowd_separation.h"

#include <new>

#include "steering/arrival_places.h"
#include "steering/navigation_mode.h"
#include "steering/world.h"
#include "world/neighbour_grid.h"

namespace steering {

Agent* AgentList::add(const Agent& agentTemplate) {
    try {
        agents_.emplace_back(agentTemplate);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    Agent* agent = &agents_.back();
    agent->world = &world_;
    agent->gridRecord = world_.neighbourGrid.insertAgent(agent, agent->position, agent->radius);
    return agent;
}

void AgentList::updateAll() {
    // Agents later in the list see the earlier ones already moved in this step.
    NeighbourGrid& grid = world_.neighbourGrid;
    // The speed bound of "avoid_agents" holds for this call only (world.h), however it ends.
    StepSpeedBound& bound = world_.stepSpeedBound;
    const StepSpeedBound::Scope scope(bound);
    if (!agents_.empty()) prefetchAgent(agents_.front());
    std::size_t index = 0;  // the agent's place in the population's order
    for (auto it = agents_.begin(); it != agents_.end(); ++it) {
        Agent& agent = *it;
        // Memory asked for ahead: the agent after next, and the next agent's own cells,
        // which its neighbour visits and its move read.
        const auto next = std::next(it);
        Agent* const following = next != agents_.end() ? &*next : nullptr;
        if (following != nullptr) {
            if (const auto afterNext = std::next(next); afterNext != agents_.end()) {
                prefetchAgent(*afterNext);
                // The list's links lie just before the agent in its node: the next turn reads them.
                __builtin_prefetch(reinterpret_cast<const char*>(&*afterNext) - 1);
            }
            grid.prefetchAgentCells(following->position, following->radius, following->gridRecord);
        }
        const FixedVec before = agent.position;
        agent.update();
        agent.gridRecord = grid.moveAgent(&agent, before, agent.position, agent.radius, agent.gridRecord);
        if (bound.known) {
            bound.raiseSpeed(agent.velocity);
            world_.avoidIndex.noteMove(index, agent.position, agent.velocity);
        }
        ++index;
    }
    // Shortest paths only: in the other modes the pass would read every agent for nothing.
    if (world_.navigationMode == NavigationMode::Shortest) separateCrowd(world_);
}

void AgentList::setTargetAll(FixedVec point) {
    for (Agent& agent : agents_) agent.setTarget(point);
}

void AgentList::removeFirst() {
    if (agents_.empty()) return;
    Agent& oldest = agents_.front();
    releasePlace(oldest);
    world_.neighbourGrid.removeAgent(&oldest, oldest.position, oldest.radius);
    agents_.pop_front();
}

void AgentList::remove(const Agent* agent) {
    for (auto it = agents_.begin(); it != agents_.end(); ++it) {
        if (&*it != agent) continue;
        releasePlace(*it);
        world_.neighbourGrid.removeAgent(&*it, it->position, it->radius);
        agents_.erase(it);
        return;
    }
}

void AgentList::clear() {
    while (!agents_.empty()) removeFirst();
}

}  // namespace steering
