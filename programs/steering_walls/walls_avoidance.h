#pragma once
// The two look-ahead avoidances of steering_walls, registered by walls_behaviours.cpp.
#include "programs/steering_walls/walls_behaviours.h"

namespace steering_walls {

// "repel_static": a sideways push away from the nearest obstacle in the box ahead.
const WallsBehaviour& repelStaticBehaviour();
// "avoid_walls": a push out of the wall cell that the look-ahead point enters.
const WallsBehaviour& avoidWallsBehaviour();

}  // namespace steering_walls
