#pragma once
// Both planners on the same pairs against the exact shortest path: reachability agreement,
// length ratios (mean, p90, p99, max), paths that clip a blocking cell, time per query.
#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "steering/world.h"

namespace navtool {

// Prints the comparison of the pairs on the world built from `cells` to out, both modes
// through the agents' planner entry. Returns
// false when a planner disagrees with the reference about reachability or a path clips a
// blocking cell (the figures are printed either way).
bool comparePlanners(std::FILE* out, steering::World& world, const uint8_t* cells, const std::vector<std::array<int, 4>>& pairs);

}  // namespace navtool
