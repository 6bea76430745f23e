#pragma once
// The square the "separation" behaviour reads round an agent, and its push from one
// touching neighbour.
#include "world/cell_lists.h"
#include "world/fixed_math.h"

namespace steering {

// Half-size (raw 16.16) of the grid square that holds every neighbour touching an agent of
// this radius.
Fixed separationReach(Fixed radius);

// The push away from one touching neighbour: divided(d, a), bit for bit, for every d and a.
// Both quotients share the divisor, so when both fit fixDiv's double rule they are taken by
// one two-lane division (each lane is the same correctly rounded IEEE division fixDiv does).
FixedVec separationPush(FixedVec d, Fixed a);

// All ones in the lanes of four neighbours (positions x, y and radii as lanes) that touch an
// agent at position with radius, by the very test the behaviour makes of each neighbour:
// approxLength of the difference nonzero and below both radii and the contact margin.
CopyLanes touchingLanes(FixedVec position, Fixed radius, CopyLanes x, CopyLanes y, CopyLanes radii);

}  // namespace steering
