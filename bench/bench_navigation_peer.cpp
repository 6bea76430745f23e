// Side by side with Recast & Detour on the same 10,000 random connected pairs of
// maptest.raw, both ends in cells agents can reach (cells 0..127 of each axis; run with
// --whole-map for pairs over the whole map): our classic and shortest queries against
// Detour's path + straight-path query (core) and the same with the two findNearestPoly
// calls that place the ends (full), each timed in processor time, over all pairs and over
// the pairs that see each other (line of sight) and those that bend apart; every path is
// measured against the exact shortest path and checked for clipping a blocking cell.
// Detour's mesh comes from Recast over the map's walkable cells (two floor triangles per
// cell, the cell type as area) at a quarter cell per voxel, with no erosion, so both
// systems plan over the same free space. Recast & Detour are linked by this program and
// scenario_detour only, both through tools/scenario_peer/recast_floor.h.
#include <DetourNavMesh.h>
#include <DetourNavMeshQuery.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_run.h"
#include "steering/navigation_mode.h"
#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/route_planning.h"
#include "navigation/shortest_path.h"
#include "tools/nav_reference/exact_shortest_path.h"
#include "tools/nav_reference/random_pairs.h"
#include "tools/scenario_peer/recast_floor.h"
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
// Pairs listed where the agents' paths lose most against the exact path.
constexpr size_t kWorstShown = 8;


struct Detour {
    dtNavMesh* mesh = nullptr;
    dtNavMeshQuery* query = nullptr;
    bool ok = false;
};

// Recast over the walkable cells; every polygon carries its cell type as area and
// 1 << area as flags, so a query filtered to one type stays on that type's ground.
Detour buildDetour(const std::vector<uint8_t>& cells) {
    Detour out;
    peer::FloorQuads floor;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const int type = cells[y * kSide + x] & 15;
            if (type != 15) floor.addCell(x, y, static_cast<unsigned char>(type + 1));
        }
    }
    peer::RecastSettings settings;
    settings.cellSize = 1.0f / kVoxelsPerCell;
    settings.extent = static_cast<float>(kSide);
    settings.flagsOf = [](unsigned char area) { return static_cast<unsigned short>(1u << area); };
    out.mesh = peer::buildDetourMesh(floor, settings);
    bool ok = out.mesh != nullptr;
    if (ok) {
        out.query = dtAllocNavMeshQuery();
        ok = dtStatusSucceed(out.query->init(out.mesh, 65535));
    }
    out.ok = ok;
    if (!ok) std::fprintf(stderr, "bench_navigation_peer: the Recast build failed\n");
    return out;
}

struct DetourScratch {
    dtPolyRef path[kMaxDetourPolys];
    float straight[kMaxDetourStraight * 3];
    unsigned char flags[kMaxDetourStraight];
    dtPolyRef refs[kMaxDetourStraight];
    int straightCount = 0;
};

struct DetourEnds {
    dtPolyRef start = 0, end = 0;
    float startPos[3] = {0, 0, 0}, endPos[3] = {0, 0, 0};
    int type = 0;
};

const float kNearestHalfExtents[3] = {0.5f, 1.0f, 0.5f};

// The two world points as Detour sees them (cells, y up), and the filter of their type.
void detourPoints(const navref::QueryPair& p, float a[3], float b[3]) {
    a[0] = p.fromX / 256.0f;
    a[1] = 0;
    a[2] = p.fromY / 256.0f;
    b[0] = p.toX / 256.0f;
    b[1] = 0;
    b[2] = p.toY / 256.0f;
}

double detourQuery(const Detour& d, const DetourEnds& e, DetourScratch& s);

// The whole query as a program asks it: place both ends on the mesh, then path + straight
// path. The length in world units, or -1.
double detourFullQuery(const Detour& d, const navref::QueryPair& p, int type, DetourScratch& s) {
    DetourEnds e;
    e.type = type;
    float a[3], b[3];
    detourPoints(p, a, b);
    dtQueryFilter filter;
    filter.setIncludeFlags(static_cast<unsigned short>(1u << (type + 1)));
    d.query->findNearestPoly(a, kNearestHalfExtents, &filter, &e.start, e.startPos);
    d.query->findNearestPoly(b, kNearestHalfExtents, &filter, &e.end, e.endPos);
    return detourQuery(d, e, s);
}

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
    s.straightCount = straightCount;
    double length = 0;
    for (int i = 1; i < straightCount; ++i) {
        const double dx = s.straight[3 * i] - s.straight[3 * i - 3], dz = s.straight[3 * i + 2] - s.straight[3 * i - 1];
        length += std::sqrt(dx * dx + dz * dz);
    }
    return length * 256.0;
}


struct Stats {
    double min = 0, mean = 0, p90 = 0, p99 = 0, max = 0;
    int counted = 0;
};

Stats stats(std::vector<double> ratios) {
    Stats s;
    if (ratios.empty()) return s;
    std::sort(ratios.begin(), ratios.end());
    for (double r : ratios) s.mean += r;
    s.mean /= static_cast<double>(ratios.size());
    auto at = [&](double p) { return ratios[std::min(ratios.size() - 1, static_cast<size_t>(p * (ratios.size() - 1) + 0.5))]; };
    s.min = ratios.front();
    s.p90 = at(0.90);
    s.p99 = at(0.99);
    s.max = ratios.back();
    s.counted = static_cast<int>(ratios.size());
    return s;
}

// The systems side by side. Detour's full and core queries give the same paths.
enum System { kClassic, kShortestPoint, kShortestAgent, kDetourFull, kDetourCore, kSystems };
const char* const kSystemNames[kSystems] = {"classic", "shortest, point agent", "shortest, 150 clearance",
                                            "Detour full", "Detour core"};
// Pair kinds: all, the ends see each other, the exact path bends.
enum Kind { kAll, kSight, kBending, kKinds };
const char* const kKindNames[kKinds] = {"all", "line of sight", "bending"};

// Pairs drawn where agents walk unless --whole-map is given.
bool wholeMap = false;

struct Scenario {
    std::vector<uint8_t> cells;
    std::vector<navref::QueryPair> pairs;
    std::vector<int> types;
    std::vector<double> exact;  // reference length per pair, -1 unreachable
    std::vector<DetourEnds> ends;
    std::vector<int> byKind[kKinds];  // pair indices of each kind (reachable pairs only)
    Detour detour;
    Stats lengths[kSystems];
    int shortestWorseThanDetour = 0;
    int clips[kSystems] = {};    // paths that clip a blocking cell (exact test)
    int missing[kSystems] = {};  // pairs the reference connects and a system does not
    std::vector<std::pair<double, int>> worst;  // shortest 150 clearance: (length / exact, pair), longest first
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

// Detour's straight path in world units (rounded to the nearest unit), from the pair's own
// start: the clipping test sees the path an agent would walk.
bool detourClips(const Scenario& s, int type, const navref::QueryPair& p, const DetourScratch& d) {
    navref::Point from{p.fromX, p.fromY};
    for (int i = 0; i < d.straightCount; ++i) {
        const navref::Point to{static_cast<int>(std::lround(d.straight[3 * i] * 256.0)),
                               static_cast<int>(std::lround(d.straight[3 * i + 2] * 256.0))};
        if (!navref::segment_clear(s.cells.data(), type, from, to)) return true;
        from = to;
    }
    return !navref::segment_clear(s.cells.data(), type, from, {p.toX, p.toY});
}

// One query of a system on pair i; returns a value the optimiser cannot drop.
int32_t runQuery(const Scenario& s, System system, size_t i, nav::PathResult& result, DetourScratch& scratch) {
    const navref::QueryPair& p = s.pairs[i];
    switch (system) {
        case kClassic:
            steering::planPath(bench_scenes::benchWorld(), steering::NavigationMode::Classic, result, p.fromX, p.fromY,
                               p.toX, p.toY, 0);
            return result.waypointCount;
        case kShortestPoint:
            steering::planPath(bench_scenes::benchWorld(), steering::NavigationMode::Shortest, result, p.fromX, p.fromY,
                               p.toX, p.toY, kPointClearance);
            return result.waypointCount;
        case kShortestAgent:
            steering::planPath(bench_scenes::benchWorld(), steering::NavigationMode::Shortest, result, p.fromX, p.fromY,
                               p.toX, p.toY, kAgentClearance);
            return result.waypointCount;
        case kDetourFull: return static_cast<int32_t>(detourFullQuery(s.detour, p, s.types[i], scratch));
        case kDetourCore: return static_cast<int32_t>(detourQuery(s.detour, s.ends[i], scratch));
        case kSystems: break;
    }
    return 0;
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
        out.pairs = navref::random_pairs(out.cells.data(), kPairs, kPairSeed, true, wholeMap ? kSide : navref::kAgentReach);
        out.detour = buildDetour(out.cells);
        // Made once before anything is timed, as in a program that has already searched.
        nav::prepareShortestPaths(world.navMesh, *world.shortestSearch, world.navMesh.linkRule, world.navMesh.clearanceLevel);

        std::vector<std::unique_ptr<navref::ExactShortestPaths>> oracles(16);
        std::vector<double> ratios[kSystems];
        DetourScratch scratch;
        nav::PathResult result;
        for (size_t i = 0; i < out.pairs.size(); ++i) {
            const navref::QueryPair& p = out.pairs[i];
            const int type = out.cells[(p.fromY >> 8) * kSide + (p.fromX >> 8)] & 15;
            out.types.push_back(type);
            if (!oracles[type]) oracles[type] = std::make_unique<navref::ExactShortestPaths>(out.cells.data(), type);
            const double exact = oracles[type]->shortest_length({p.fromX, p.fromY}, {p.toX, p.toY});
            out.exact.push_back(exact);
            DetourEnds e;
            e.type = type;
            float a[3], b[3];
            detourPoints(p, a, b);
            dtQueryFilter filter;
            filter.setIncludeFlags(static_cast<unsigned short>(1u << (type + 1)));
            if (out.detour.ok) {
                out.detour.query->findNearestPoly(a, kNearestHalfExtents, &filter, &e.start, e.startPos);
                out.detour.query->findNearestPoly(b, kNearestHalfExtents, &filter, &e.end, e.endPos);
            }
            out.ends.push_back(e);
            if (exact <= 0) continue;
            const double straight = std::hypot(double(p.toX - p.fromX), double(p.toY - p.fromY));
            out.byKind[kAll].push_back(static_cast<int>(i));
            out.byKind[exact <= straight * (1 + 1e-12) + 1e-9 ? kSight : kBending].push_back(static_cast<int>(i));
            double lengths[kSystems];
            for (int k = 0; k < kSystems; ++k) {
                lengths[k] = -1;
                if (k == kDetourFull) continue;  // the same path as the core query
                if (k == kDetourCore) {
                    if (!out.detour.ok) continue;
                    lengths[k] = detourQuery(out.detour, e, scratch);
                    if (lengths[k] >= 0) out.clips[k] += detourClips(out, type, p, scratch);
                    continue;
                }
                runQuery(out, static_cast<System>(k), i, result, scratch);
                if (result.waypointCount > 0) {
                    lengths[k] = nav::pathLengthOf(result);
                    out.clips[k] += pathClips(out, type, result);
                }
            }
            lengths[kDetourFull] = lengths[kDetourCore];
            out.clips[kDetourFull] = out.clips[kDetourCore];
            for (int k = 0; k < kSystems; ++k) {
                if (lengths[k] < 0) {
                    ++out.missing[k];
                } else {
                    ratios[k].push_back(lengths[k] / exact);
                    if (k == kShortestAgent) out.worst.push_back({lengths[k] / exact, static_cast<int>(i)});
                }
            }
            if (lengths[kShortestPoint] >= 0 && lengths[kDetourCore] >= 0 &&
                lengths[kShortestPoint] > lengths[kDetourCore] + 1e-6) {
                ++out.shortestWorseThanDetour;
            }
        }
        for (int k = 0; k < kSystems; ++k) out.lengths[k] = stats(ratios[k]);
        std::sort(out.worst.begin(), out.worst.end(), std::greater<>());
        if (out.worst.size() > kWorstShown) out.worst.resize(kWorstShown);
        return out;
    }();
    return s;
}

void report(benchmark::State& state, const Stats& s, int clips, int missing) {
    state.counters["ratio_min"] = s.min;
    state.counters["ratio_mean"] = s.mean;
    state.counters["ratio_p90"] = s.p90;
    state.counters["ratio_p99"] = s.p99;
    state.counters["ratio_max"] = s.max;
    state.counters["clipping"] = clips;
    state.counters["missing"] = missing;
}

// One system's queries over all reachable pairs, one per iteration (wall clock and
// processor time as Google Benchmark measures them).
void BM_Peer(benchmark::State& state, System system) {
    const Scenario& s = scenario();
    if (!s.detour.ok && (system == kDetourFull || system == kDetourCore)) {
        state.SkipWithError("no Detour mesh");
        return;
    }
    const std::vector<int>& pairs = s.byKind[kAll];
    auto scratch = std::make_unique<DetourScratch>();
    nav::PathResult result;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(runQuery(s, system, static_cast<size_t>(pairs[i]), result, *scratch));
        i = i + 1 == pairs.size() ? 0 : i + 1;
    }
    report(state, s.lengths[system], s.clips[system], s.missing[system]);
    if (system == kShortestPoint) state.counters["worse_than_detour"] = s.shortestWorseThanDetour;
}

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

// Processor time per query of one system over a list of pairs, looped `rounds` times.
double processorMicroseconds(const Scenario& s, System system, const std::vector<int>& pairs, int rounds) {
    if (pairs.empty()) return 0;
    auto scratch = std::make_unique<DetourScratch>();
    nav::PathResult result;
    int32_t sink = 0;
    const double t0 = peer::processorSeconds();
    for (int r = 0; r < rounds; ++r)
        for (int i : pairs) sink += runQuery(s, system, static_cast<size_t>(i), result, *scratch);
    const double t1 = peer::processorSeconds();
    benchmark::DoNotOptimize(sink);
    return (t1 - t0) * 1e6 / (static_cast<double>(rounds) * static_cast<double>(pairs.size()));
}

// The peer table: processor time per query of every system over all pairs, the line of
// sight pairs and the bending ones, with the ratios to Detour full and core, and the
// lengths against the exact path (min, mean, p90, p99, max) with clipping and missing
// counts; printed as a table on stdout. Also query time against exact length (ten bins of
// the bending pairs), as counters for the plots.
void BM_PeerTable(benchmark::State& state) {
    const Scenario& s = scenario();
    if (!s.detour.ok) {
        state.SkipWithError("no Detour mesh");
        return;
    }
    double us[kSystems][kKinds] = {};
    for (auto _ : state) {
        for (int k = 0; k < kSystems; ++k)
            for (int kind = 0; kind < kKinds; ++kind) us[k][kind] += processorMicroseconds(s, System(k), s.byKind[kind], 1);
    }
    const double n = static_cast<double>(state.iterations());
    for (auto& row : us)
        for (double& v : row) v /= n;
    std::printf("\nPeer table: %zu connected pairs %s (%zu line of sight, %zu bending), processor time per query\n",
                s.byKind[kAll].size(), wholeMap ? "over the whole map" : "with both ends in cells 0..127",
                s.byKind[kSight].size(), s.byKind[kBending].size());
    std::printf("| system | all µs | ÷ Detour full | ÷ Detour core | line of sight µs | ÷ core | bending µs | ÷ core | "
                "length ÷ exact: min / mean / p90 / p99 / max | clipping | missing |\n|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (int k = 0; k < kSystems; ++k) {
        const Stats& l = s.lengths[k];
        std::printf("| %s | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.3f / %.3f / %.3f / %.3f / %.3f | %d | %d |\n",
                    kSystemNames[k], us[k][kAll], us[k][kAll] / us[kDetourFull][kAll], us[k][kAll] / us[kDetourCore][kAll],
                    us[k][kSight], us[k][kSight] / us[kDetourCore][kSight], us[k][kBending],
                    us[k][kBending] / us[kDetourCore][kBending], l.min, l.mean, l.p90, l.p99, l.max, s.clips[k],
                    s.missing[k]);
        for (int kind = 0; kind < kKinds; ++kind) {
            const std::string key = std::string(k == kClassic ? "classic" : k == kShortestPoint ? "shortest_point"
                                                : k == kShortestAgent ? "shortest_150" : k == kDetourFull ? "detour_full"
                                                : "detour_core") + (kind == kAll ? "_us" : kind == kSight ? "_sight_us" : "_bending_us");
            state.counters[key] = us[k][kind];
        }
    }
    std::printf("\nShortest, 150 clearance: the pairs that lose most against the exact path\n| from | to | length ÷ exact |\n|---|---|---|\n");
    for (const auto& [ratio, i] : s.worst) {
        const navref::QueryPair& p = s.pairs[i];
        std::printf("| %d %d | %d %d | %.3f |\n", p.fromX, p.fromY, p.toX, p.toY, ratio);
    }
    std::fflush(stdout);
    // Query time against the exact length: bending pairs in ten bins of equal count.
    std::vector<int> bending = s.byKind[kBending];
    std::sort(bending.begin(), bending.end(), [&](int a, int b) { return s.exact[a] < s.exact[b]; });
    constexpr int kBins = 10;
    for (int b = 0; b < kBins && !bending.empty(); ++b) {
        const size_t lo = bending.size() * b / kBins, hi = bending.size() * (b + 1) / kBins;
        const std::vector<int> bin(bending.begin() + lo, bending.begin() + hi);
        double mean = 0;
        for (int i : bin) mean += s.exact[i];
        mean /= static_cast<double>(bin.size());
        const std::string prefix = "bin" + std::to_string(b) + "_";
        state.counters[prefix + "length"] = mean;
        for (int k : {kClassic, kShortestPoint, kShortestAgent, kDetourCore}) {
            const char* name = k == kClassic ? "classic" : k == kShortestPoint ? "shortest_point"
                             : k == kShortestAgent ? "shortest_150" : "detour_core";
            state.counters[prefix + name + "_us"] = processorMicroseconds(s, System(k), bin, 3);
        }
    }
}

BENCHMARK_CAPTURE(BM_Peer, Classic, kClassic);
BENCHMARK_CAPTURE(BM_Peer, ShortestPoint, kShortestPoint);
BENCHMARK_CAPTURE(BM_Peer, ShortestAgentClearance, kShortestAgent);
BENCHMARK_CAPTURE(BM_Peer, DetourFull, kDetourFull);
BENCHMARK_CAPTURE(BM_Peer, DetourCore, kDetourCore);
BENCHMARK(BM_PeerShortestPrepare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeerTable)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

// --whole-map (before Google Benchmark's own flags): pairs over the whole map.
int main(int argc, char** argv) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--whole-map") == 0) {
            wholeMap = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
