#pragma once
// The "agents walking to a click" population on maptest.raw, shared by the Google Benchmark
// step benchmark and the portable step timer (native and WebAssembly).
#include <cstdint>

#include "steering/agent.h"
#include "steering/agent_list.h"
#include "world/grid_map.h"

namespace bench_scenes {

// A small deterministic generator of its own, so the agents' generator is left alone.
struct Lcg {
    uint32_t state = 2024;
    uint32_t next(uint32_t below) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % below;
    }
};

// The centre of a random open cell whose four neighbours are open too, in columns
// 1..maxColumn - 1 and rows 1..maxRow - 1 (by default 1 to 125, where Fixed positions reach).
inline steering::FixedVec openCellCentre(const steering::GridMap& map, Lcg& random, uint32_t maxColumn = 126,
                                         uint32_t maxRow = 126) {
    using namespace steering;
    for (;;) {
        const uint32_t c = 1 + random.next(maxColumn - 1);
        const uint32_t r = 1 + random.next(maxRow - 1);
        if (map.cellAt(c, r) != 0 || map.cellAt(c - 1, r) != 0 || map.cellAt(c + 1, r) != 0 || map.cellAt(c, r - 1) != 0 ||
            map.cellAt(c, r + 1) != 0) {
            continue;
        }
        return {toFixed(static_cast<int32_t>(c) * 256 + 128), toFixed(static_cast<int32_t>(r) * 256 + 128)};
    }
}

}  // namespace bench_scenes
