// Side by side with Recast & Detour on the same 10,000 random connected pairs of
// maptest.raw: our classic and shortest queries against Detour's path + straight-path
// query, each timed per query and each path measured against the exact shortest path.
// Detour's mesh comes from Recast over the map's walkable cells (two floor triangles per
// cell, the cell type as area) at a quarter cell per voxel, with no erosion, so both
// systems plan over the same free space. Recast & Detour are linked by this program only.
#include <DetourNavMesh.h>
#include <DetourNavMeshBuilder.h>
#include <DetourNavMeshQuery.h>
#include <Recast.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include "bench/bench_run.h"
#include "steering/navigation_mode.h"
#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/route_planning.h"
#include "navigation/shortest_path.h"
#include "tools/nav_reference/exact_shortest_path.h"
#include "tools/nav_reference/random_pairs.h"
#include "world/world_navigation.h"

namespace {

constexpr int kSide = 256;
constexpr int kPairs = 10000;
constexpr uint32_t kPairSeed = 20240601u;
// Voxels per cell edge for Recast: a quarter cell, as a typical tile setting.
constexpr float kVoxelsPerCell = 4.0f;
// Longest Detour corridor and straight path taken from one query.
constexpr int kMaxDetourPolys = 4096;
constexpr int kMaxDetourStraight = 256;
// Corner clearance of our shortest planner. The lengths are compared at 0, like Detour's
// mesh built for a point agent (no erosion); BM_PeerShortestAgentClearance also shows
// them with the middle of the agents' radius range.
constexpr int32_t kPointClearance = 0;
constexpr int32_t kAgentClearance = 150;


double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Detour {
    dtNavMesh* mesh = nullptr;
    dtNavMeshQuery* query = nullptr;
    bool ok = false;
};

// Recast over the walkable cells; every polygon carries its cell type as area and
// 1 << area as flags, so a query filtered to one type stays on that type's ground.
Detour buildDetour(const std::vector<uint8_t>& cells) {
    Detour out;
    std::vector<float> verts;
    std::vector<int> tris;
    std::vector<unsigned char> areas;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const int type = cells[y * kSide + x] & 15;
            if (type == 15) continue;
            const int base = static_cast<int>(verts.size() / 3);
            const float corners[4][2] = {{float(x), float(y)}, {float(x + 1), float(y)}, {float(x + 1), float(y + 1)},
                                         {float(x), float(y + 1)}};
            for (const auto& c : corners) verts.insert(verts.end(), {c[0], 0.0f, c[1]});
            // Counter-clockwise seen from above (y up) so that Recast takes them as floor.
            tris.insert(tris.end(), {base, base + 2, base + 1, base, base + 3, base + 2});
            areas.insert(areas.end(), 2, static_cast<unsigned char>(type + 1));
        }
    }
    rcContext ctx(false);
    const float cs = 1.0f / kVoxelsPerCell, ch = 0.1f;
    const float bmin[3] = {0, -1, 0}, bmax[3] = {float(kSide), 1, float(kSide)};
    const int width = static_cast<int>(kSide * kVoxelsPerCell);
    rcHeightfield* hf = rcAllocHeightfield();
    rcCompactHeightfield* chf = rcAllocCompactHeightfield();
    rcContourSet* cset = rcAllocContourSet();
    rcPolyMesh* pmesh = rcAllocPolyMesh();
    bool ok = rcCreateHeightfield(&ctx, *hf, width, width, bmin, bmax, cs, ch) &&
              rcRasterizeTriangles(&ctx, verts.data(), static_cast<int>(verts.size() / 3), tris.data(), areas.data(),
                                   static_cast<int>(areas.size()), *hf, 1) &&
              rcBuildCompactHeightfield(&ctx, 2, 1, *hf, *chf) && rcBuildDistanceField(&ctx, *chf) &&
              rcBuildRegions(&ctx, *chf, 0, 0, 0) && rcBuildContours(&ctx, *chf, 0.1f, 0, *cset) &&
              rcBuildPolyMesh(&ctx, *cset, 6, *pmesh);
    if (ok) {
        for (int i = 0; i < pmesh->npolys; ++i) pmesh->flags[i] = static_cast<unsigned short>(1u << pmesh->areas[i]);
        dtNavMeshCreateParams params{};
        params.verts = pmesh->verts;
        params.vertCount = pmesh->nverts;
        params.polys = pmesh->polys;
        params.polyAreas = pmesh->areas;
        params.polyFlags = pmesh->flags;
        params.polyCount = pmesh->npolys;
        params.nvp = pmesh->nvp;
        params.walkableHeight = 0.2f;
        params.walkableRadius = 0;
        params.walkableClimb = 0.1f;
        rcVcopy(params.bmin, pmesh->bmin);
        rcVcopy(params.bmax, pmesh->bmax);
        params.cs = cs;
        params.ch = ch;
        params.buildBvTree = true;
        unsigned char* data = nullptr;
        int size = 0;
        ok = dtCreateNavMeshData(&params, &data, &size);
        if (ok) {
            out.mesh = dtAllocNavMesh();
            ok = dtStatusSucceed(out.mesh->init(data, size, DT_TILE_FREE_DATA));
            out.query = dtAllocNavMeshQuery();
            ok = ok && dtStatusSucceed(out.query->init(out.mesh, 65535));
        }
    }
    rcFreeHeightField(hf);
    rcFreeCompactHeightfield(chf);
    rcFreeContourSet(cset);
    rcFreePolyMesh(pmesh);
    out.ok = ok;
    if (!ok) std::fprintf(stderr, "bench_navigation_peer: the Recast build failed\n");
    return out;
}

struct DetourScratch {
    dtPolyRef path[kMaxDetourPolys];
    float straight[kMaxDetourStraight * 3];
    unsigned char flags[kMaxDetourStraight];
    dtPolyRef refs[kMaxDetourStraight];
};

struct DetourEnds {
    dtPolyRef start = 0, end = 0;
    float startPos[3] = {0, 0, 0}, endPos[3] = {0, 0, 0};
    int type = 0;
};

// Path + straight-path query; the length in world units, or -1 when Detour finds none.
double detourQuery(const Detour& d, const DetourEnds& e, DetourScratch& s) {
    dtQueryFilter filter;
    filter.setIncludeFlags(static_cast<unsigned short>(1u << (e.type + 1)));
    int count = 0;
    const dtStatus found = d.query->findPath(e.start, e.end, e.startPos, e.endPos, &filter, s.path, &count, kMaxDetourPolys);
    if (!dtStatusSucceed(found) || count == 0 || (found & DT_PARTIAL_RESULT)) return -1;
    int straightCount = 0;
    d.query->findStraightPath(e.startPos, e.endPos, s.path, count, s.straight, s.flags, s.refs, &straightCount,
                              kMaxDetourStraight);
    double length = 0;
    for (int i = 1; i < straightCount; ++i) {
        const double dx = s.straight[3 * i] - s.straight[3 * i - 3], dz = s.straight[3 * i + 2] - s.straight[3 * i - 1];
        length += std::sqrt(dx * dx + dz * dz);
    }
    return length * 256.0;
}

struct Stats {
    double mean = 0, p90 = 0, p99 = 0, max = 0;
    int counted = 0;
};

Stats stats(std::vector<double> ratios) {
    Stats s;
    if (ratios.empty()) return s;
    std::sort(ratios.begin(), ratios.end());
    for (double r : ratios) s.mean += r;
    s.mean /= static_cast<double>(ratios.size());
    auto at = [&](double p) { return ratios[std::min(ratios.size() - 1, static_cast<size_t>(p * (ratios.size() - 1) + 0.5))]; };
    s.p90 = at(0.90);
    s.p99 = at(0.99);
    s.max = ratios.back();
    s.counted = static_cast<int>(ratios.size());
    return s;
}

struct Scenario {
    std::vector<uint8_t> cells;
    std::vector<navref::QueryPair> pairs;
    std::vector<double> exact;  // reference length per pair, -1 unreachable
    std::vector<DetourEnds> ends;
    Detour detour;
    Stats classic, shortestStats, detourStats, agentStats;
    int shortestWorseThanDetour = 0;
    int clips[4] = {0, 0, 0, 0};    // classic, shortest, Detour, shortest with agent clearance
    int missing[4] = {0, 0, 0, 0};  // pairs the reference connects and a system does not
};

bool pathClips(const Scenario& s, int type, const nav::PathResult& path) {
    navref::Point from{path.fromX, path.fromY};
    for (int i = 0; i < path.waypointCount; ++i) {
        const navref::Point to{path.waypoints[i].x, path.waypoints[i].y};
        if (!navref::segment_clear(s.cells.data(), type, from, to)) return true;
        from = to;
    }
    return false;
}

const Scenario& scenario() {
    static Scenario s = [] {
        Scenario out;
        out.cells.assign(kSide * kSide, 0);
        std::FILE* file = std::fopen(STEERING_RESOURCE_DIR "/maptest.raw", "rb");
        if (file == nullptr || std::fread(out.cells.data(), 1, out.cells.size(), file) != out.cells.size()) {
            std::fprintf(stderr, "bench_navigation_peer: cannot read maptest.raw; using an open map\n");
            out.cells.assign(out.cells.size(), 0);
        }
        if (file != nullptr) std::fclose(file);
        steering::World& world = bench_scenes::benchWorld();
        world.gridMap.init(kSide, kSide);  // the planner entry's stranding rule reads the cells
        std::copy(out.cells.begin(), out.cells.end(), world.gridMap.cells());
        world.navMesh.linkRule = steering::sameCellType;
        if (!nav::buildNavigation(world.navMesh, out.cells.data())) std::fprintf(stderr, "bench_navigation_peer: build failed\n");
        out.pairs = navref::random_pairs(out.cells.data(), kPairs, kPairSeed, true);
        out.detour = buildDetour(out.cells);

        std::vector<std::unique_ptr<navref::ExactShortestPaths>> oracles(16);
        std::vector<double> ratios[4];
        DetourScratch scratch;
        nav::PathResult result;
        for (const navref::QueryPair& p : out.pairs) {
            const int type = out.cells[(p.fromY >> 8) * kSide + (p.fromX >> 8)] & 15;
            if (!oracles[type]) oracles[type] = std::make_unique<navref::ExactShortestPaths>(out.cells.data(), type);
            const double exact = oracles[type]->shortest_length({p.fromX, p.fromY}, {p.toX, p.toY});
            out.exact.push_back(exact);
            DetourEnds e;
            e.type = type;
            const float half[3] = {0.5f, 1.0f, 0.5f};
            const float a[3] = {p.fromX / 256.0f, 0, p.fromY / 256.0f}, b[3] = {p.toX / 256.0f, 0, p.toY / 256.0f};
            dtQueryFilter filter;
            filter.setIncludeFlags(static_cast<unsigned short>(1u << (type + 1)));
            if (out.detour.ok) {
                out.detour.query->findNearestPoly(a, half, &filter, &e.start, e.startPos);
                out.detour.query->findNearestPoly(b, half, &filter, &e.end, e.endPos);
            }
            out.ends.push_back(e);
            if (exact <= 0) continue;
            steering::planPath(bench_scenes::benchWorld(), steering::NavigationMode::Classic, result, p.fromX, p.fromY, p.toX, p.toY, 0);
            double lengths[3] = {-1, -1, -1};
            if (result.waypointCount > 0) {
                lengths[0] = nav::pathLengthOf(result);
                out.clips[0] += pathClips(out, type, result);
            }
            steering::planPath(bench_scenes::benchWorld(), steering::NavigationMode::Shortest, result, p.fromX, p.fromY, p.toX, p.toY, kPointClearance);
            if (result.waypointCount > 0) {
                lengths[1] = nav::pathLengthOf(result);
                out.clips[1] += pathClips(out, type, result);
            }
            if (out.detour.ok) lengths[2] = detourQuery(out.detour, e, scratch);
            double agentLength = -1;
            steering::planPath(bench_scenes::benchWorld(), steering::NavigationMode::Shortest, result, p.fromX, p.fromY, p.toX, p.toY, kAgentClearance);
            if (result.waypointCount > 0) {
                agentLength = nav::pathLengthOf(result);
                out.clips[3] += pathClips(out, type, result);
            }
            if (agentLength < 0) {
                ++out.missing[3];
            } else {
                ratios[3].push_back(agentLength / exact);
            }
            for (int k = 0; k < 3; ++k) {
                if (lengths[k] < 0) {
                    ++out.missing[k];
                } else {
                    ratios[k].push_back(lengths[k] / exact);
                }
            }
            if (lengths[1] >= 0 && lengths[2] >= 0 && lengths[1] > lengths[2] + 1e-6) ++out.shortestWorseThanDetour;
        }
        out.classic = stats(ratios[0]);
        out.shortestStats = stats(ratios[1]);
        out.detourStats = stats(ratios[2]);
        out.agentStats = stats(ratios[3]);
        return out;
    }();
    return s;
}

void report(benchmark::State& state, const Stats& s, int clips, int missing) {
    state.counters["ratio_mean"] = s.mean;
    state.counters["ratio_p90"] = s.p90;
    state.counters["ratio_p99"] = s.p99;
    state.counters["ratio_max"] = s.max;
    state.counters["clipping"] = clips;
    state.counters["missing"] = missing;
}

void BM_PeerClassic(benchmark::State& state) {
    const Scenario& s = scenario();
    nav::PathResult result;
    size_t i = 0;
    for (auto _ : state) {
        const navref::QueryPair& p = s.pairs[i];
        steering::planPath(bench_scenes::benchWorld(), steering::NavigationMode::Classic, result, p.fromX, p.fromY, p.toX, p.toY, 0);
        benchmark::DoNotOptimize(result.waypointCount);
        i = i + 1 == s.pairs.size() ? 0 : i + 1;
    }
    report(state, s.classic, s.clips[0], s.missing[0]);
}

void BM_PeerShortest(benchmark::State& state) {
    const Scenario& s = scenario();
    nav::PathResult result;
    size_t i = 0;
    for (auto _ : state) {
        steering::planPath(bench_scenes::benchWorld(), steering::NavigationMode::Shortest, result, s.pairs[i].fromX, s.pairs[i].fromY, s.pairs[i].toX, s.pairs[i].toY, kPointClearance);
        benchmark::DoNotOptimize(result.waypointCount);
        i = i + 1 == s.pairs.size() ? 0 : i + 1;
    }
    report(state, s.shortestStats, s.clips[1], s.missing[1]);
    state.counters["worse_than_detour"] = s.shortestWorseThanDetour;
}

void BM_PeerShortestAgentClearance(benchmark::State& state) {
    const Scenario& s = scenario();
    nav::PathResult result;
    size_t i = 0;
    for (auto _ : state) {
        steering::planPath(bench_scenes::benchWorld(), steering::NavigationMode::Shortest, result, s.pairs[i].fromX, s.pairs[i].fromY, s.pairs[i].toX, s.pairs[i].toY, kAgentClearance);
        benchmark::DoNotOptimize(result.waypointCount);
        i = i + 1 == s.pairs.size() ? 0 : i + 1;
    }
    report(state, s.agentStats, s.clips[3], s.missing[3]);
}

void BM_PeerDetour(benchmark::State& state) {
    const Scenario& s = scenario();
    if (!s.detour.ok) {
        state.SkipWithError("no Detour mesh");
        return;
    }
    auto scratch = std::make_unique<DetourScratch>();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(detourQuery(s.detour, s.ends[i], *scratch));
        i = i + 1 == s.pairs.size() ? 0 : i + 1;
    }
    report(state, s.detourStats, 0, s.missing[2]);
}

// All three over every pair in one loop each, processor time only, and the time ratios
// against Detour (at or below 1.0: faster than Detour).
// Making the shortest planner's tables and corner graph, as the first query after each
// mesh build does.
void BM_PeerShortestPrepare(benchmark::State& state) {
    scenario();  // the mesh built
    for (auto _ : state) {
        bench_scenes::benchWorld().shortestSearch->cachedMesh = nullptr;  // forget them, as a rebuilt mesh does
        nav::prepareShortestPaths(bench_scenes::benchWorld().navMesh, *bench_scenes::benchWorld().shortestSearch, bench_scenes::benchWorld().navMesh.linkRule, bench_scenes::benchWorld().navMesh.clearanceLevel);
    }
    const nav::CornerGraph& g = bench_scenes::benchWorld().shortestSearch->graph;
    state.counters["ready"] = g.status == nav::CornerGraph::Status::Ready ? 1 : 0;
    state.counters["corners"] = g.cornerCount;
    state.counters["edges"] = g.edgeCount;
    state.counters["sightings"] = g.sightingCount;
}

void BM_PeerTimeRatios(benchmark::State& state) {
    const Scenario& s = scenario();
    if (!s.detour.ok) {
        state.SkipWithError("no Detour mesh");
        return;
    }
    auto scratch = std::make_unique<DetourScratch>();
    nav::PathResult result;
    double seconds[3] = {0, 0, 0};
    for (auto _ : state) {
        double t0 = cpuSeconds();
        for (const navref::QueryPair& p : s.pairs) {
            steering::planPath(bench_scenes::benchWorld(), steering::NavigationMode::Classic, result, p.fromX, p.fromY, p.toX, p.toY, 0);
        }
        double t1 = cpuSeconds();
        seconds[0] += t1 - t0;
        for (const navref::QueryPair& p : s.pairs) steering::planPath(bench_scenes::benchWorld(), steering::NavigationMode::Shortest, result, p.fromX, p.fromY, p.toX, p.toY, kPointClearance);
        t0 = cpuSeconds();
        seconds[1] += t0 - t1;
        for (const DetourEnds& e : s.ends) benchmark::DoNotOptimize(detourQuery(s.detour, e, *scratch));
        t1 = cpuSeconds();
        seconds[2] += t1 - t0;
    }
    const double perQuery = 1e6 / (static_cast<double>(state.iterations()) * static_cast<double>(s.pairs.size()));
    state.counters["classic_us"] = seconds[0] * perQuery;
    state.counters["shortest_us"] = seconds[1] * perQuery;
    state.counters["detour_us"] = seconds[2] * perQuery;
    state.counters["classic_over_detour"] = seconds[0] / seconds[2];
    state.counters["shortest_over_detour"] = seconds[1] / seconds[2];
}

BENCHMARK(BM_PeerClassic);
BENCHMARK(BM_PeerShortest);
BENCHMARK(BM_PeerShortestAgentClearance);
BENCHMARK(BM_PeerDetour);
BENCHMARK(BM_PeerShortestPrepare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeerTimeRatios)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
