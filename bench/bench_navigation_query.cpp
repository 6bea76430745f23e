// Path queries per second on the demonstration map (target: 100,000 or more), over a
// fixed set of 10,000 reachable start/goal pairs spread over the whole reachable map, and
// over pairs whose ends are not connected.
#include <benchmark/benchmark.h>

#include <algorithm>

#include <cstdio>
#include <vector>

#include "bench/bench_run.h"
#include "steering/navigation_mode.h"
#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/route_planning.h"
#include "tools/nav_reference/random_pairs.h"
#include "world/world_navigation.h"

namespace {

constexpr int kSide = 256;
constexpr int kPairs = 10000;

using Pair = navref::QueryPair;

std::vector<uint8_t> loadMap() {
    std::vector<uint8_t> cells(kSide * kSide, 0);
    std::FILE* file = std::fopen(STEERING_RESOURCE_DIR "/maptest.raw", "rb");
    if (file == nullptr || std::fread(cells.data(), 1, cells.size(), file) != cells.size()) {
        std::fprintf(stderr, "bench_navigation_query: cannot read maptest.raw; using an open map\n");
        cells.assign(cells.size(), 0);
    }
    if (file != nullptr) std::fclose(file);
    return cells;
}

struct Scenario {
    std::vector<Pair> reachable;
    std::vector<Pair> unreachable;
};

// Builds the mesh and draws the pairs with the generator navtool and the tests use (a start
// cell uniformly among walkable cells, a goal cell uniformly among the cells of its
// component, or of another one, random points inside both cells).
const Scenario& scenario() {
    static Scenario s = [] {
        Scenario out;
        const std::vector<uint8_t> cells = loadMap();
        steering::World& world = bench_scenes::benchWorld();
        world.gridMap.init(kSide, kSide);  // the planner entry's stranding rule reads the cells
        std::copy(cells.begin(), cells.end(), world.gridMap.cells());
        world.navMesh.linkRule = steering::sameCellType;
        if (!nav::buildNavigation(world.navMesh, cells.data())) std::fprintf(stderr, "bench_navigation_query: build failed\n");
        out.reachable = navref::random_pairs(cells.data(), kPairs, 20240601u, true);
        out.unreachable = navref::random_pairs(cells.data(), kPairs, 20240602u, false);
        return out;
    }();
    return s;
}

nav::PathResult result;

void runQueries(benchmark::State& state, const std::vector<Pair>& pairs) {
    if (pairs.empty()) {
        state.SkipWithError("no pairs on this map");
        return;
    }
    size_t i = 0;
    int64_t waypoints = 0, found = 0, steps = 0;
    for (auto _ : state) {
        const Pair& p = pairs[i];
        steering::planPath(bench_scenes::benchWorld(), steering::NavigationMode::Classic, result, p.fromX, p.fromY, p.toX, p.toY, 0);
        benchmark::DoNotOptimize(result.waypointCount);
        waypoints += result.waypointCount;
        found += result.waypointCount > 0;
        steps += bench_scenes::benchWorld().routeSearch.routeSteps > 0 ? bench_scenes::benchWorld().routeSearch.routeSteps : 0;
        i = i + 1 == pairs.size() ? 0 : i + 1;
    }
    state.counters["queries/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["waypoints/query"] = static_cast<double>(waypoints) / static_cast<double>(state.iterations());
    state.counters["foundPct"] = 100.0 * static_cast<double>(found) / static_cast<double>(state.iterations());
    state.counters["corridor/query"] = static_cast<double>(steps) / static_cast<double>(state.iterations());
}

void BM_PathQueryReachable(benchmark::State& state) { runQueries(state, scenario().reachable); }
void BM_PathQueryUnreachable(benchmark::State& state) { runQueries(state, scenario().unreachable); }

BENCHMARK(BM_PathQueryReachable);
BENCHMARK(BM_PathQueryUnreachable);

}  // namespace

BENCHMARK_MAIN();
