#pragma once
// The shortest-paths mode's last word in a step: no two moving agents stay closer than
// kSeparationTenths tenths of the sum of their radii. After every agent has moved, each agent
// in list order steps away from each neighbour nearer than that by half the shortfall (its
// neighbour does the same in its turn), the sum of those pushes cut to the agent's radius,
// never into or across a wall cell: a move whose straight line would touch one keeps only
// its part along one axis, or none. Agents standing where they arrived (done,
// with a path) are neither moved nor parted from. Velocities are left alone. Classic never
// separates this way.
#include <cmath>
#include <cstdint>

#include "world/cell_lists.h"
#include "world/fixed_math.h"

namespace steering {

struct World;
struct Agent;

// Pairs are kept at least this many tenths of the sum of their radii apart (centre to
// centre).
constexpr int kSeparationTenths = 7;

// The floor of the square root of x, exact for every x; the largest root, 2^32 - 1, stands
// for every x at or above its square.
constexpr uint64_t kRootLimit = 0xFFFFFFFFu;
// Inline: the correction takes one per near neighbour.
inline uint64_t floorSquareRoot(uint64_t x) {
    // The double root of x (x rounded to 53 bits, then the root rounded) is never below the
    // true root's floor k: x at or above k^2 rounds to at least k^2 rounded, whose root lies
    // within a quarter of the spacing of doubles next to k, so it rounds back to k. It is
    // above the floor by at most one (past 2^53 a square less one rounds up to the square);
    // the check below settles that. That costs far less than Newton's steps, each of which
    // is a 64-bit division.
    uint64_t r = static_cast<uint64_t>(std::sqrt(static_cast<double>(x)));
    if (r > kRootLimit) r = kRootLimit;  // x within a rounding of 2^64: the root 2^32 squared would wrap
    while (r * r > x) --r;
    return r;
}

// All ones in the lanes of four neighbours (positions x, y and radii as lanes) that may lie
// nearer an agent at position with radius than the kept share of their radii, and in others
// now and then: every neighbour the correction parts from is passed.
CopyLanes mayBeNearLanes(FixedVec position, Fixed radius, CopyLanes x, CopyLanes y, CopyLanes radii);

// The correction of one agent against its neighbours (the world's neighbour grid), applied
// to its position and the grid. Nothing in Classic or without a world.
void separateFromNeighbours(Agent& agent);

// separateFromNeighbours for every agent of the world in list order (shortest paths only).
void separateCrowd(World& world);

}  // namespace steering
