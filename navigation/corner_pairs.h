#pragma once
// The pair scan of a query over the corner graph's distance rows (corner_distances.cpp),
// on its own so that it can be checked against a brute-force scan.
#include "navigation/corner_graph.h"

namespace nav::shortest {

// Whether end corner k of a query's `side` (0 start, 1 goal) sees that end.
using CornerSight = bool (*)(void* context, int side, int k);

// The shortest way start -> a -> ... -> b -> goal over the ends' corners that see their
// ends: its length, and a and b (indices into the ends' lists; -1 when there is none). Of
// equal lengths the goal corner first in order of its bound (goalStraight, then list
// order) wins, then the start corner first in its list. A corner's sight (endState 0) is
// looked at only when a pair through it would become the best way so far, and the answer
// is recorded in endState (1 seen, 2 not). Rows of distances not made yet are made.
double bestCornerPair(CornerGraph& g, CornerSight sight, void* context, int& bestA, int& bestB);

}  // namespace nav::shortest
