#pragma once
// Shared set-up of the steering tests: every test makes a fresh world with an open 256 x 256
// map, an empty neighbour grid and population and the generator at its first value.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "steering/agent.h"
#include "steering/agent_list.h"
#include "steering/arrival_places.h"
#include "steering/behaviour.h"
#include "steering/world.h"
#include "world/fixed_math.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"

namespace steering::test {

constexpr Fixed units(double worldUnits) { return static_cast<Fixed>(worldUnits * 65536.0); }
constexpr FixedVec at(double x, double y) { return {units(x), units(y)}; }
inline double inUnits(Fixed raw) { return raw / 65536.0; }

// A fresh world: open map of 256 x 256 cells, 128 x 128 neighbour buckets, no agents.
inline std::unique_ptr<World> freshWorld() {
    std::unique_ptr<World> world = makeWorld();
    world->gridMap.init(kMapSide, kMapSide);
    world->neighbourGrid.init(128, 128);
    return world;
}

// A test with a fresh world of its own.
class WorldTest : public ::testing::Test {
protected:
    std::unique_ptr<World> worldOwner = freshWorld();
    World& world = *worldOwner;

    // As Insert does: one template, five copies on the point.
    void insertFive(FixedVec point) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate, world.agentRandom);
        for (int i = 0; i < 5; ++i) {
            agentTemplate.place(point, FixedVec{});
            world.agentList.add(agentTemplate);
        }
    }
};

inline void setCell(World& world, uint32_t column, uint32_t row, uint8_t type) {
    world.gridMap.cells()[static_cast<std::size_t>(row) * world.gridMap.width + column] = type;
}

// An agent of the world with the template's mass, force and a chosen radius, no behaviours,
// and its frame made from the velocity as an update would (not in the population).
inline Agent bareAgent(World& world, FixedVec position, FixedVec velocity, double radius = 100.0) {
    Agent agent;
    agent.world = &world;
    agent.mass = kFixedOne;
    agent.radius = units(radius);
    agent.maxForce = units(50.0);
    agent.maxSpeed = units(60.5);
    agent.place(position, velocity);
    agent.heading = vecNormalise(velocity);
    agent.side = vecPerp(agent.heading);
    return agent;
}

// Puts an agent of the population at a new position and moves it in the world's neighbour
// grid, as every move of the program does (the grid keeps a copy of each position).
inline void moveTo(World& world, Agent& agent, FixedVec position) {
    const FixedVec old = agent.position;
    agent.position = position;
    world.neighbourGrid.moveAgent(&agent, old, position, agent.radius);
}

inline FixedVec forceOf(const char* behaviourName, Agent& agent) {
    return findBehaviour(behaviourName)->computeForce(agent);
}

inline void addObstacle(World& world, FixedVec centre, double radius = 140.0) {
    world.obstacleList.add(Obstacle{centre.x, centre.y, units(radius)}, world.neighbourGrid);
}

}  // namespace steering::test
