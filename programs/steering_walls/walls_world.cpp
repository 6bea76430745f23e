#include "programs/steering_walls/walls_world.h"

#include <cmath>

#include "programs/small_kit/obstacle_block.h"

namespace steering_walls {

namespace {

// Arrivers stand in a row at y = 300, 30 pixels apart.
constexpr double kArriverFirstX = 100.0;
constexpr double kArriverY = 300.0;
constexpr double kArriverSpacing = 30.0;
constexpr double kStartArriversEndX = 280.0;  // six at start
constexpr double kKeyArriversEndX = 250.0;    // five per Up release
// Followers stand in a 3 x 3 block, 30 pixels apart.
constexpr int kFollowerRows = 3;
constexpr int kFollowerColumns = 3;
constexpr double kFollowerSpacing = 30.0;

// The behaviours and limits of an arriver; its radius is drawn per agent.
void makeArriver(WallsWorld& world, WallsAgent& prototype) {
    clearBehaviours(prototype);
    addBehaviour(prototype, 1.5, "avoid_walls");
    addBehaviour(prototype, 0.4, "avoid_static");
    addBehaviour(prototype, 0.4, "repel_static");
    addBehaviour(prototype, 0.2, "arrival");
    addBehaviour(prototype, 0.2, "separation");
    prototype.target = &world.leftButtonTarget;
}

void placeArriver(WallsWorld& world, WallsAgent& prototype, double x) {
    prototype.radius = 10.0 + 5.0 * unitRandom(world.runtimeRandom);
    prototype.mass = 1.0;
    prototype.maxForce = 2.0;
    prototype.maxSpeed = 3.5;
    prototype.position = {x, kArriverY};
    prototype.velocity = {};
    createAgent(world, prototype);
}

}  // namespace

WallsWorld::WallsWorld() {
    agentGrid.create(kGridColumns, kGridRows, kWorldWidth, kWorldHeight);
    wallMap.create(kWorldWidth, kWorldHeight, kWallTable);
    candidateScratch.reserve(kCandidateReserve);
}

WallsAgent& createAgent(WallsWorld& world, const WallsAgent& prototype) {
    world.agentList.push_back(std::make_unique<WallsAgent>(prototype));
    WallsAgent& agent = *world.agentList.back();
    agent.world = &world;
    world.agentGrid.insert(agent);
    return agent;
}

bool setupWorld(WallsWorld& world) {
    WallsAgent prototype;
    clearBehaviours(prototype);
    prototype.isStatic = true;
    small_kit::addObstacleBlock(prototype, world.runtimeRandom, [&world](const auto& agent) { createAgent(world, agent); });

    makeArriver(world, prototype);  // also clears the static flag
    for (double x = kArriverFirstX; x < kStartArriversEndX; x += kArriverSpacing) {
        placeArriver(world, prototype, x);
    }

    clearBehaviours(prototype);
    addBehaviour(prototype, 0.7, "arrival");
    prototype.target = &world.rightButtonTarget;
    prototype.radius = 10.0;
    prototype.mass = 1.0;
    prototype.maxForce = 2.0 + std::fabs(unitRandom(world.runtimeRandom));
    prototype.position = {100.0, 100.0};
    prototype.maxSpeed = 3.0 + std::fabs(unitRandom(world.runtimeRandom));
    const WallsAgent& leader = createAgent(world, prototype);

    clearBehaviours(prototype);
    addBehaviour(prototype, 1.0, "avoid_walls");
    addBehaviour(prototype, 0.5, "avoid_static");
    addBehaviour(prototype, 0.5, "repel_static");
    addBehaviour(prototype, 0.2, "formation");
    addBehaviour(prototype, 0.2, "separation");
    for (int k = 0; k < kFollowerRows; ++k) {
        for (int m = 0; m < kFollowerColumns; ++m) {
            prototype.position = {100.0 + kFollowerSpacing * k, 300.0 + kFollowerSpacing * m};
            // 10, 30 or 50 pixels behind the leader; 20 to either side or centred.
            prototype.formationOffset = {-10.0 - 20.0 * k, -20.0 + 20.0 * m};
            prototype.radius = 5.0;
            prototype.mass = 1.0;
            prototype.maxForce = 2.0;
            prototype.maxSpeed = 3.5;
            prototype.target = &leader;
            createAgent(world, prototype);
        }
    }
    return true;
}

void updateAll(WallsWorld& world) {
    for (const std::unique_ptr<WallsAgent>& agent : world.agentList) {
        const DoubleVec oldPosition = agent->position;
        updateAgent(*agent);
        world.agentGrid.move(oldPosition, *agent);
    }
}

void addArrivers(WallsWorld& world) {
    WallsAgent prototype;
    makeArriver(world, prototype);
    for (double x = kArriverFirstX; x < kKeyArriversEndX; x += kArriverSpacing) {
        placeArriver(world, prototype, x);
    }
}

void removeNewestAgents(WallsWorld& world) {
    for (int pass = 0; pass < kAgentsPerKeyRelease; ++pass) {
        if (world.agentList.empty()) continue;
        const WallsAgent& newest = *world.agentList.back();
        if (newest.isStatic) continue;
        world.agentGrid.remove(newest.position, newest);
        world.agentList.pop_back();
    }
}

}  // namespace steering_walls
