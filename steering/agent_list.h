#pragma once
// The population of the steering program: owns its agents (stable addresses, front =
// oldest) and keeps every one registered in the neighbour grid.
#include <cstddef>
#include <list>

#include "steering/agent.h"

namespace steering {

struct World;

class AgentList {
public:
    // The world whose neighbour grid registers the agents and that every agent names.
    explicit AgentList(World& world) : world_(world) {}
    AgentList(const AgentList&) = delete;
    AgentList& operator=(const AgentList&) = delete;

    // Appends a copy of the template and registers it in the neighbour grid; null when
    // memory cannot be obtained.
    Agent* add(const Agent& agentTemplate);
    // Each agent in list order: update, then move it in the neighbour grid.
    void updateAll();
    void setTargetAll(FixedVec point);
    // Removes the oldest agent (nothing when empty).
    void removeFirst();
    // Removes that agent (nothing when it is not in this list); other addresses stay valid.
    void remove(const Agent* agent);
    void clear();

    std::size_t size() const { return agents_.size(); }
    bool empty() const { return agents_.empty(); }
    auto begin() { return agents_.begin(); }
    auto end() { return agents_.end(); }
    auto begin() const { return agents_.begin(); }
    auto end() const { return agents_.end(); }

private:
    World& world_;
    std::list<Agent> agents_;
};


}  // namespace steering
