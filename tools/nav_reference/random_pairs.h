#pragma once
// Random start/goal pairs over a map's walkable cells, shared by navtool, the tests and the
// benchmarks so that they measure the same work. Deterministic for a given seed.
#include <cstdint>
#include <vector>

namespace navref {

struct QueryPair {
    int fromX = 0, fromY = 0, toX = 0, toY = 0;  // whole world units
};

// 4-connected components of cells with equal low four bits; walls (low bits 15) get -1.
std::vector<int> cell_components(const uint8_t* cells);

// `count` pairs: a start cell uniformly among the walkable cells, a goal cell uniformly
// among the cells of its component (connected pairs) or of another component
// (connected = false), random points inside both cells.
// With `reach` below 256 both cells lie in cells 0..reach-1 of each axis (agents only ever
// walk in cells 0..127: kAgentReach), so the pairs are the queries agents make.
std::vector<QueryPair> random_pairs(const uint8_t* cells, int count, uint32_t seed, bool connected, int reach = 256);

// Cells 0..kAgentReach-1 of each axis: where agents can be.
inline constexpr int kAgentReach = 128;

}  // namespace navref
