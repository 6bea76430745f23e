#include "programs/steering_basic/basic_world.h"

#include <algorithm>
#include <cmath>

#include "programs/small_kit/obstacle_block.h"

namespace steering_basic {

namespace {

using small_kit::unitRandom;

// Followers stand in a 3 x 3 block, 30 pixels apart.
constexpr int kFollowerRows = 3;
constexpr int kFollowerColumns = 3;
constexpr double kFollowerSpacing = 30.0;
// Arrivers stand in a row at y = 300, 30 pixels apart, ten of them.
constexpr double kArriverFirstX = 100.0, kArriverEndX = 400.0, kArriverY = 300.0, kArriverSpacing = 30.0;

}  // namespace

BasicAgent& AgentArray::append(std::unique_ptr<BasicAgent> agent) {
    if (agents_.size() == agents_.capacity()) {
        agents_.reserve(agents_.size() + std::max<std::size_t>(agents_.size(), 1));
    }
    agents_.push_back(std::move(agent));
    return *agents_.back();
}

BasicAgent& createAgent(BasicWorld& world, const BasicAgent& prototype) {
    BasicAgent& agent = world.agentArray.append(std::make_unique<BasicAgent>(prototype));
    agent.population = &world.agentArray;
    return agent;
}

void setupWorld(BasicWorld& world) {
    small_kit::RandomGenerator& runtimeRandom = world.runtimeRandom;
    // One prototype throughout: every value set on it stays until overwritten.
    BasicAgent prototype;

    addBehaviour(prototype, 0.7, "arrival");
    prototype.target = &world.leftButtonTarget;
    prototype.mass = 1.0;
    prototype.radius = 10.0;
    prototype.maxForce = 2.0 + std::fabs(unitRandom(runtimeRandom));
    prototype.position = {100.0, 100.0};
    prototype.maxSpeed = 2.0 + std::fabs(unitRandom(runtimeRandom));
    const BasicAgent& leader = createAgent(world, prototype);

    clearBehaviours(prototype);
    addBehaviour(prototype, 0.1, "separation");
    addBehaviour(prototype, 0.5, "avoid_static");
    addBehaviour(prototype, 1.0, "avoid_static_2");
    addBehaviour(prototype, 1.0, "formation");
    for (int k = 0; k < kFollowerRows; ++k) {
        for (int m = 0; m < kFollowerColumns; ++m) {
            prototype.position = {100.0 + kFollowerSpacing * k, 300.0 + kFollowerSpacing * m};
            // 40, 60 or 80 pixels behind the leader; 20 to either side or centred.
            prototype.formationOffset = {-40.0 - 20.0 * k, -20.0 + 20.0 * m};
            prototype.radius = 5.0;
            prototype.mass = 1.0;
            prototype.maxForce = 2.0;
            prototype.maxSpeed = 2.5;
            prototype.target = &leader;
            createAgent(world, prototype);
        }
    }

    clearBehaviours(prototype);
    addBehaviour(prototype, 0.7, "arrival");
    addBehaviour(prototype, 0.1, "separation");
    addBehaviour(prototype, 0.5, "avoid_static");
    addBehaviour(prototype, 1.0, "avoid_static_2");
    prototype.target = &world.rightButtonTarget;
    for (double x = kArriverFirstX; x < kArriverEndX; x += kArriverSpacing) {
        prototype.mass = 1.0;
        prototype.radius = 10.0 + 5.0 * unitRandom(runtimeRandom);
        prototype.maxForce = 2.0 + std::fabs(unitRandom(runtimeRandom));
        prototype.position = {x, kArriverY};
        prototype.maxSpeed = 2.5 + std::fabs(unitRandom(runtimeRandom));
        createAgent(world, prototype);
    }

    clearBehaviours(prototype);
    prototype.isStatic = true;
    small_kit::addObstacleBlock(prototype, runtimeRandom, [&world](const auto& agent) { createAgent(world, agent); });
}

void updateAll(BasicWorld& world) {
    for (const auto& agent : world.agentArray) {
        updateAgent(*agent);
    }
}

}  // namespace steering_basic
