#pragma once
// Shared set-up of the steering tests: an open 256 x 256 map, an empty neighbour grid and
// population and a fresh random generator.
#include <cstdint>

#include "steering/agent.h"
#include "steering/agent_list.h"
#include "steering/arrival_places.h"
#include "steering/behaviour.h"
#include "world/fixed_math.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"

namespace steering::test {

constexpr Fixed units(double worldUnits) { return static_cast<Fixed>(worldUnits * 65536.0); }
constexpr FixedVec at(double x, double y) { return {units(x), units(y)}; }
inline double inUnits(Fixed raw) { return raw / 65536.0; }

inline void resetWorld() {
    agentList.clear();
    clearPlaces();
    obstacleList.clear();
    gridMap.init(kMapSide, kMapSide);
    neighbourGrid.init(128, 128);
    agentRandom = RandomGenerator{};
}

inline void setCell(uint32_t column, uint32_t row, uint8_t type) {
    gridMap.cells()[static_cast<std::size_t>(row) * gridMap.width + column] = type;
}

// An agent with the template's mass, force and a chosen radius, no behaviours, and its
// frame made from the velocity as an update would.
inline Agent bareAgent(FixedVec position, FixedVec velocity, double radius = 100.0) {
    Agent agent;
    agent.mass = kFixedOne;
    agent.radius = units(radius);
    agent.maxForce = units(50.0);
    agent.maxSpeed = units(60.5);
    agent.place(position, velocity);
    agent.heading = vecNormalise(velocity);
    agent.side = vecPerp(agent.heading);
    return agent;
}

inline FixedVec forceOf(const char* behaviourName, Agent& agent) {
    return findBehaviour(behaviourName)->computeForce(agent);
}

inline void addObstacle(FixedVec centre, double radius = 140.0) {
    obstacleList.add(Obstacle{centre.x, centre.y, units(radius)});
}

}  // namespace steering::test
