#include "tools/navtool/planner_compare.h"

#include <algorithm>
#include <ctime>
#include <memory>

#include "navigation/shortest_path.h"
#include "tools/nav_reference/exact_shortest_path.h"
#include "tools/navtool/planners.h"

namespace navtool {
namespace {

// Every pair is timed this many times per planner; the figure is the mean per query.
constexpr int kTimingRounds = 5;

struct PlannerFigures {
    int found = 0;
    int agreeWithReference = 0;
    int clipping = 0;
    std::vector<double> ratios;
    double microsPerQuery = 0;
    int firstClip[4] = {0, 0, 0, 0};
};

// Processor time of this thread: other processes on a shared machine do not count.
double cpuMicros() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t i = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(i, values.size() - 1)];
}

bool pathClips(const uint8_t* cells, int type, const nav::PathResult& path) {
    navref::Point from{path.fromX, path.fromY};
    for (int i = 0; i < path.waypointCount; ++i) {
        const navref::Point to{path.waypoints[i].x, path.waypoints[i].y};
        if (!navref::segment_clear(cells, type, from, to)) return true;
        from = to;
    }
    return false;
}

int walkableTypeAt(const uint8_t* cells, int x, int y) {
    if (x < 0 || y < 0 || x >= 256 * 256 || y >= 256 * 256) return 15;
    return cells[(y >> 8) * 256 + (x >> 8)] & 15;
}

}  // namespace

bool comparePlanners(std::FILE* out, steering::World& world, const uint8_t* cells, const std::vector<std::array<int, 4>>& pairs) {
    const NavigationMode planners[2] = {NavigationMode::Classic, NavigationMode::Shortest};
    PlannerFigures figures[2];
    // One oracle per walkable type met, built on first use (the visibility graph is slow).
    std::vector<std::unique_ptr<navref::ExactShortestPaths>> oracles(16);
    int referenceReachable = 0;
    int64_t nodesCreated = 0, nodesExpanded = 0;
    std::vector<double> expansions;
    nav::PathResult result;
    for (const auto& q : pairs) {
        const int type = walkableTypeAt(cells, q[0], q[1]);
        double exact = -1;
        if (type != 15) {
            if (!oracles[type]) oracles[type] = std::make_unique<navref::ExactShortestPaths>(cells, type);
            exact = oracles[type]->shortest_length({q[0], q[1]}, {q[2], q[3]});
        }
        referenceReachable += exact >= 0;
        for (int p = 0; p < 2; ++p) {
            plan(world, planners[p], result, q[0], q[1], q[2], q[3]);
            if (planners[p] == NavigationMode::Shortest) {
                nodesCreated += world.shortestSearch->lastNodesCreated;
                nodesExpanded += world.shortestSearch->lastNodesExpanded;
                expansions.push_back(world.shortestSearch->lastNodesExpanded);
            }
            PlannerFigures& f = figures[p];
            const bool found = result.waypointCount > 0;
            f.found += found;
            f.agreeWithReference += found == (exact >= 0);
            if (!found) continue;
            if (pathClips(cells, type, result)) {
                if (f.clipping++ == 0) std::copy(q.begin(), q.end(), f.firstClip);
            }
            if (exact > 0) f.ratios.push_back(nav::pathLengthOf(result) / exact);
        }
    }
    for (int p = 0; p < 2; ++p) {
        const double start = cpuMicros();
        for (int round = 0; round < kTimingRounds; ++round) {
            for (const auto& q : pairs) plan(world, planners[p], result, q[0], q[1], q[2], q[3]);
        }
        const double took = cpuMicros() - start;
        figures[p].microsPerQuery = pairs.empty() ? 0 : took / (kTimingRounds * static_cast<double>(pairs.size()));
    }

    bool ok = true;
    std::fprintf(out, "pairs: %zu, reachable by the exact reference: %d\n", pairs.size(), referenceReachable);
    std::fprintf(out, "%-9s %6s %7s %6s %6s %6s %6s %6s %9s\n", "planner", "found", "agree", "clips", "mean",
                 "p90", "p99", "max", "cpu us/q");
    for (int p = 0; p < 2; ++p) {
        const PlannerFigures& f = figures[p];
        double mean = 0;
        for (double r : f.ratios) mean += r;
        mean = f.ratios.empty() ? 0 : mean / static_cast<double>(f.ratios.size());
        std::fprintf(out, "%-9s %6d %7d %6d %6.3f %6.3f %6.3f %6.3f %9.2f\n", steering::navigationModeName(planners[p]), f.found,
                     f.agreeWithReference, f.clipping, mean, percentile(f.ratios, 0.90), percentile(f.ratios, 0.99),
                     f.ratios.empty() ? 0 : *std::max_element(f.ratios.begin(), f.ratios.end()), f.microsPerQuery);
        if (f.clipping > 0) {
            std::fprintf(out, "  %s: first clipping pair %d %d %d %d\n", steering::navigationModeName(planners[p]), f.firstClip[0],
                         f.firstClip[1], f.firstClip[2], f.firstClip[3]);
        }
    }
    int agreement = 0;
    for (const auto& q : pairs) {
        plan(world, NavigationMode::Classic, result, q[0], q[1], q[2], q[3]);
        const bool classic = result.waypointCount > 0;
        plan(world, NavigationMode::Shortest, result, q[0], q[1], q[2], q[3]);
        agreement += classic == (result.waypointCount > 0);
    }
    if (!pairs.empty()) {
        std::fprintf(out, "shortest search nodes per query: %.1f created, %.1f expanded (p50 %.0f, p90 %.0f, max %.0f)\n",
                     static_cast<double>(nodesCreated) / static_cast<double>(pairs.size()),
                     static_cast<double>(nodesExpanded) / static_cast<double>(pairs.size()),
                     percentile(expansions, 0.5), percentile(expansions, 0.9),
                     expansions.empty() ? 0.0 : *std::max_element(expansions.begin(), expansions.end()));
    }
    std::fprintf(out, "reachability agreement classic/shortest: %d of %zu\n", agreement, pairs.size());
    ok = agreement == static_cast<int>(pairs.size()) && figures[1].clipping == 0 &&
         figures[1].agreeWithReference == static_cast<int>(pairs.size());
    return ok;
}

}  // namespace navtool
