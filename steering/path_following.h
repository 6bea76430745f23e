#pragma once
// Path following's seam to the navigation: setTarget asks the navigation, then hands its
// answer to applyPathResult, which tests can call with a path of their own.
#include "navigation/navigation.h"
#include "steering/agent.h"
#include "world/terrain.h"

namespace steering {

// Resets the agent's path state from a navigation answer for the target point.
void applyPathResult(Agent& agent, const nav::PathResult& result, FixedVec point);

// The classic path request of a world (World::pathRequest): requestWorldPath (the world's
// mesh) unless a test puts a scripted navigation in its place.
using PathRequestFunction = void (*)(Terrain& terrain, nav::PathResult& result, int fromX, int fromY, int toX, int toY,
                                     int gateFraction);

}  // namespace steering
