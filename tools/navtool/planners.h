#pragma once
// The two planners behind one call, for navtool's queries and comparisons.
#include "navigation/navigation.h"
#include "navigation/shortest_path.h"

namespace navtool {

enum class Planner { Classic, Shortest };

// Clearance the shortest planner keeps from wall corners in navtool: the middle of the
// agents' radius range (75 to 225 world units).
constexpr int kToolCornerClearance = 150;

// Runs one query with the chosen planner on the program's mesh, whole world units.
void plan(Planner planner, nav::PathResult& result, int fromX, int fromY, int toX, int toY);

const char* planner_name(Planner planner);

// Makes the shortest planner's corner graph for the program's mesh (as its first search
// would) and prints its size and the time it takes (best of several).
void printCornerGraph();

// The shortest planner's working state (its last query's node counts).
const nav::ShortestSearchState& shortest_state();

}  // namespace navtool
