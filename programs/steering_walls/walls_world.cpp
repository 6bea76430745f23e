#include "programs/steering_walls/walls_world.h"

#include <cmath>

#include "programs/small_kit/obstacle_block.h"

namespace steering_walls {

AgentList agentList;
AgentGrid agentGrid;
WallMap wallMap;
WallsAgent leftButtonTarget;
WallsAgent rightButtonTarget;
OverlayFlags overlayFlags;
RandomGenerator runtimeRandom;

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
void makeArriver(WallsAgent& prototype) {
    clearBehaviours(prototype);
    addBehaviour(prototype, 1.5, "avoid_walls");
    addBehaviour(prototype, 0.4, "avoid_static");
    addBehaviour(prototype, 0.4, "repel_static");
    addBehaviour(prototype, 0.2, "arrival");
    addBehaviour(prototype, 0.2, "separation");
    prototype.target = &leftButtonTarget;
}

void placeArriver(WallsAgent& prototype, double x) {
    prototype.radius = 10.0 + 5.0 * unitRandom(runtimeRandom);
    prototype.mass = 1.0;
    prototype.maxForce = 2.0;
    prototype.maxSpeed = 3.5;
    prototype.position = {x, kArriverY};
    prototype.velocity = {};
    createAgent(prototype);
}

}  // namespace

AgentRefs& candidateScratch() {
    static AgentRefs scratch = [] {
        AgentRefs list;
        list.reserve(kCandidateReserve);
        return list;
    }();
    return scratch;
}

WallsAgent& createAgent(const WallsAgent& prototype) {
    agentList.push_back(std::make_unique<WallsAgent>(prototype));
    WallsAgent& agent = *agentList.back();
    agentGrid.insert(agent);
    return agent;
}

void resetWorld() {
    agentList.clear();
    agentGrid.create(kGridColumns, kGridRows, kWorldWidth, kWorldHeight);
    wallMap.create(kWorldWidth, kWorldHeight, kWallTable);
    leftButtonTarget = WallsAgent{};
    rightButtonTarget = WallsAgent{};
    overlayFlags = OverlayFlags{};
    runtimeRandom = RandomGenerator{};
}

bool setupWorld() {
    resetWorld();

    WallsAgent prototype;
    clearBehaviours(prototype);
    prototype.isStatic = true;
    steering_walls::addObstacleBlock(prototype, runtimeRandom, [](const auto& agent) { createAgent(agent); });

    makeArriver(prototype);  // also clears the static flag
    for (double x = kArriverFirstX; x < kStartArriversEndX; x += kArriverSpacing) {
        placeArriver(prototype, x);
    }

    clearBehaviours(prototype);
    addBehaviour(prototype, 0.7, "arrival");
    prototype.target = &rightButtonTarget;
    prototype.radius = 10.0;
    prototype.mass = 1.0;
    prototype.maxForce = 2.0 + std::fabs(unitRandom(runtimeRandom));
    prototype.position = {100.0, 100.0};
    prototype.maxSpeed = 3.0 + std::fabs(unitRandom(runtimeRandom));
    const WallsAgent& leader = createAgent(prototype);

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
            createAgent(prototype);
        }
    }
    return true;
}

void updateAll() {
    for (const std::unique_ptr<WallsAgent>& agent : agentList) {
        const DoubleVec oldPosition = agent->position;
        updateAgent(*agent);
        agentGrid.move(oldPosition, *agent);
    }
}

void addArrivers() {
    WallsAgent prototype;
    makeArriver(prototype);
    for (double x = kArriverFirstX; x < kKeyArriversEndX; x += kArriverSpacing) {
        placeArriver(prototype, x);
    }
}

void removeNewestAgents() {
    for (int pass = 0; pass < kAgentsPerKeyRelease; ++pass) {
        if (agentList.empty()) continue;
        const WallsAgent& newest = *agentList.back();
        if (newest.isStatic) continue;
        agentGrid.remove(newest.position, newest);
        agentList.pop_back();
    }
}

}  // namespace steering_walls
