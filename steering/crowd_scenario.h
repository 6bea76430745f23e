#pragma once
// The scale scene, shared by the benchmark, the tests and the tools: crowds inserted at
// open points spread over the map, each as Insert makes agents (five identical agents per
// press), then left to push apart.
#include <vector>

#include "world/fixed_math.h"
#include "world/grid_map.h"

namespace steering {

struct World;

// The scene of the scale benchmark: 100 crowds of 100 agents, 10,000 in all.
constexpr int kScaleCrowds = 100;
constexpr int kScaleCrowdSize = 100;

// Up to `count` points spread over the map on a square lattice, each the centre of a ground
// cell (type 0) whose eight neighbours are ground too, within cells 1 to 126 where agents
// can stand. Fewer when the map has no such cell near a lattice point. Deterministic.
std::vector<FixedVec> openCrowdPoints(const GridMap& map, int count);

// Inserts one crowd of `size` agents (rounded up to whole presses of five) at each point:
// one template per press, as the Insert key does, the presses a few units apart on a small
// grid around the point so the crowd does not stand on one spot (a stack on one spot feels
// no push and never moves). Returns the number of agents inserted.
int insertCrowds(World& world, const std::vector<FixedVec>& points, int size);

}  // namespace steering
