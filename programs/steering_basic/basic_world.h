#pragma once
// The world of steering_basic: the population, the two mouse targets, the overlay flag and
// the random generator, with the set-up of the 36 agents. The program's run owns one.
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

// Agents point to its targets and its array: it stays where it was made.
struct BasicWorld {
    BasicWorld() = default;
    BasicWorld(const BasicWorld&) = delete;
    BasicWorld& operator=(const BasicWorld&) = delete;

    AgentArray agentArray;
    BasicAgent leftButtonTarget;   // the leader's target; only its position changes
    BasicAgent rightButtonTarget;  // the arrivers' target; only its position changes
    bool debugOverlay = false;     // velocity, force and avoidance box of every agent
    small_kit::RandomGenerator runtimeRandom;
};

// Allocates a copy of the prototype in the world and appends it; returns the new agent.
BasicAgent& createAgent(BasicWorld& world, const BasicAgent& prototype);

// Into a fresh world, so that a second run repeats the first exactly: the 36 start
// agents, a leader, 9 followers, 10 arrivers, 16 obstacles.
void setupWorld(BasicWorld& world);

// updateAgent for each agent in array order.
void updateAll(BasicWorld& world);

}  // namespace steering_basic
