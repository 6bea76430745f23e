#pragma once
// The square the "separation" behaviour reads round an agent.
#include "world/fixed_math.h"

namespace steering {

// Half-size (raw 16.16) of the grid square that holds every neighbour touching an agent of
// this radius.
Fixed separationReach(Fixed radius);

struct World;
struct Agent;
// Whether the crowd loops read the world's SortedAgentCells round this agent instead of the
// grid: in the shortest-paths mode, when it covers the agent (it is activated here on first
// use, and dropped here in any other mode).
bool useSortedAgents(World& world, const Agent& agent);

}  // namespace steering
