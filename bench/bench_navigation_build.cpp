// Navigation build time: the demonstration map (target: 20 ms or less), an open map and
// a dense map of many small rectangles, with the tables' usage as counters.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <vector>

#include "bench/bench_run.h"
#include "navigation/area_build.h"
#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "world/world_navigation.h"

namespace {

std::vector<uint8_t> demonstrationMap() {
    std::vector<uint8_t> cells(256 * 256, 0);
    if (std::FILE* file = std::fopen(STEERING_RESOURCE_DIR "/maptest.raw", "rb")) {
        if (std::fread(cells.data(), 1, cells.size(), file) != cells.size()) cells.assign(cells.size(), 0);
        std::fclose(file);
    }
    return cells;
}

// Rectangles of a few values scattered over the map; dense but within the tables.
std::vector<uint8_t> denseMap() {
    std::vector<uint8_t> cells(256 * 256, 0);
    std::mt19937 rng(4242);
    std::uniform_int_distribution<int> pos(0, 250), size(1, 12), value(1, 4);
    for (int i = 0; i < 400; ++i) {
        const int x = pos(rng), y = pos(rng), w = size(rng), h = size(rng);
        const uint8_t v = static_cast<uint8_t>(value(rng));
        for (int yy = y; yy < std::min(256, y + h); ++yy)
            for (int xx = x; xx < std::min(256, x + w); ++xx) cells[yy * 256 + xx] = v;
    }
    return cells;
}

void reportUsage(benchmark::State& state) {
    const nav::NavMesh& m = bench_scenes::benchWorld().navMesh;
    state.counters["rectangles"] = m.stats.rectangles;
    state.counters["inserted"] = m.stats.rectanglesInserted;
    state.counters["flips"] = m.stats.flips;
    state.counters["vertices"] = m.pointHighWater;
    state.counters["triangles"] = m.triangleHighWater;
    state.counters["vertexUsePct"] = 100.0 * m.pointHighWater / nav::kMaxVertices;
    state.counters["triangleUsePct"] = 100.0 * m.triangleHighWater / nav::kMaxTriangles;
    state.counters["stackUsePct"] = 100.0 * m.stats.improveStackMax / nav::kImproveStackCapacity;
    state.counters["failed"] = m.buildFailed ? 1 : 0;
}

void runBuild(benchmark::State& state, const std::vector<uint8_t>& cells) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(nav::buildNavigation(bench_scenes::benchWorld().navMesh, cells.data()));
        benchmark::ClobberMemory();
    }
    reportUsage(state);
}

void BM_BuildDemonstrationMap(benchmark::State& state) { runBuild(state, demonstrationMap()); }
void BM_BuildOpenMap(benchmark::State& state) { runBuild(state, std::vector<uint8_t>(256 * 256, 0)); }
void BM_BuildDenseMap(benchmark::State& state) { runBuild(state, denseMap()); }

BENCHMARK(BM_BuildDemonstrationMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildOpenMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildDenseMap)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
