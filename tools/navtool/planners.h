#pragma once
// navtool's queries go through the agents' own planner entry (steering::planPath), on a
// world of the tool's own built from the map it was given.
#include "navigation/navigation.h"
#include "steering/navigation_mode.h"
#include "steering/world.h"

namespace navtool {

using steering::NavigationMode;

// Clearance the shortest planner keeps from wall corners in navtool: the middle of the
// agents' radius range (75 to 225 world units).
constexpr int kToolCornerClearance = 150;

// Runs one query in the given mode as an agent of that clearance would, whole world units.
void plan(steering::World& world, NavigationMode mode, nav::PathResult& result, int fromX, int fromY, int toX, int toY);

// Makes the shortest planner's corner graph for the world's mesh (as its first search
// would) and prints its size and the time it takes (best of several).
void printCornerGraph(steering::World& world);

}  // namespace navtool
