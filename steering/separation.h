#pragma once
// The square the "separation" behaviour reads round an agent.
#include "world/fixed_math.h"

namespace steering {

// Half-size (raw 16.16) of the grid square that holds every neighbour touching an agent of
// this radius.
Fixed separationReach(Fixed radius);

}  // namespace steering
