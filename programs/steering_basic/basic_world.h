#pragma once
// The process-wide world of steering_basic: the population, the two mouse targets, the
// overlay flag and the random generator, with the set-up of the 36 agents.
#include <cstddef>
#include <memory>
#include <vector>

#include "programs/steering_basic/basic_agent.h"
#include "programs/small_kit/runtime_random.h"

namespace steering_basic {

// References reserved at start: the 36 agents of the set-up and room to spare.
inline constexpr std::size_t kAgentArrayReserve = 100;

// The population in creation order, which is also the order of update and drawing. It
// owns its agents; a full array grows to size + max(size, 1) references.
class AgentArray {
public:
    AgentArray() { agents_.reserve(kAgentArrayReserve); }

    BasicAgent& append(std::unique_ptr<BasicAgent> agent);
    // Destroys every agent; the capacity is kept.
    void clear() { agents_.clear(); }
    std::size_t size() const { return agents_.size(); }
    std::size_t capacity() const { return agents_.capacity(); }
    BasicAgent& operator[](std::size_t index) const { return *agents_[index]; }

    auto begin() const { return agents_.begin(); }
    auto end() const { return agents_.end(); }

private:
    std::vector<std::unique_ptr<BasicAgent>> agents_;
};

extern AgentArray agentArray;
extern BasicAgent leftButtonTarget;   // the leader's target; only its position changes
extern BasicAgent rightButtonTarget;  // the arrivers' target; only its position changes
extern bool debugOverlay;             // velocity, force and avoidance box of every agent
extern small_kit::RandomGenerator runtimeRandom;

// Allocates a copy of the prototype and appends it; returns the new agent.
BasicAgent& createAgent(const BasicAgent& prototype);

// Puts the process-wide world back as it is when the process starts: no agents, both
// targets at the origin, no overlay, the generator at its first value.
void resetWorld();

// From the reset state, so that a second run in one process repeats the first exactly:
// the 36 start agents, a leader, 9 followers, 10 arrivers, 16 obstacles.
bool setupWorld();

// updateAgent for each agent in array order.
void updateAll();

}  // namespace steering_basic
