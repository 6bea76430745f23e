// The corridor cache answers a repeated corridor search without searching. Every answer is
// held to a search made afresh (a second query state whose cache is emptied before each
// query), and the cache must forget what a rebuild, another link rule, a stricter pass table
// or a colliding entry makes wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/route_planning.h"
#include "navigation/triangulation.h"
#include "tests/navigation/generated_maps.h"
#include "tests/navigation/route_test_support.h"
#include "tests/navigation/test_store.h"

namespace {

using nav::PathPoint;
using nav::PathResult;

nav::RouteSearch& freshSearch() {
    static const std::unique_ptr<nav::RouteSearch> search = std::make_unique<nav::RouteSearch>();
    return *search;
}

PathResult cachedResult, freshResult;

// One agent query through testSearch (and its cache) and the same planned afresh; the
// corridors and waypoints must agree. Answers whether the query found a corridor.
bool expectSameAsFresh(PathPoint from, PathPoint to) {
    nav::requestAgentPath(testMesh, testSearch, cachedResult, from.x, from.y, to.x, to.y, nav::kAgentGateFraction);
    nav::RouteSearch& fresh = freshSearch();
    nav::newCorridorGeneration(fresh.corridorCache);
    nav::requestAgentPath(testMesh, fresh, freshResult, from.x, from.y, to.x, to.y, nav::kAgentGateFraction);
    EXPECT_EQ(testSearch.routeSteps, fresh.routeSteps);
    for (int i = 0; i <= fresh.routeSteps && i <= testSearch.routeSteps; ++i)
        EXPECT_EQ(testSearch.route[i], fresh.route[i]) << "step " << i;
    EXPECT_EQ(cachedResult.waypointCount, freshResult.waypointCount);
    for (int i = 0; i < freshResult.waypointCount && i < cachedResult.waypointCount; ++i) {
        EXPECT_EQ(cachedResult.waypoints[i].x, freshResult.waypoints[i].x) << i;
        EXPECT_EQ(cachedResult.waypoints[i].y, freshResult.waypoints[i].y) << i;
    }
    return fresh.routeSteps >= 0;
}

void build(const std::vector<uint8_t>& cells, nav::CellLinkRule rule) {
    testMesh.linkRule = rule;
    testMesh.clearanceLevel = 1;
    ASSERT_TRUE(nav::buildNavigation(testMesh, cells.data()));
}

// Centres of two cells 6 to 12 cells apart with open ground between them, the first
// at or after cell `from` in reading order.
std::pair<PathPoint, PathPoint> nearbyPair(const std::vector<uint8_t>& cells, int from) {
    const std::vector<int> label = navtest::componentLabels(cells);
    for (int a = from; a < navtest::kMapCells; ++a) {
        if (label[a] < 0) continue;
        const int ax = a % 256, ay = a / 256;
        for (int dy = -12; dy <= 12; ++dy) {
            for (int dx = -12; dx <= 12; ++dx) {
                const int bx = ax + dx, by = ay + dy;
                if (std::max(std::abs(dx), std::abs(dy)) < 6 || bx < 0 || by < 0 || bx > 255 || by > 255) continue;
                // The whole box between them open, so that the corridor is short.
                bool open = true;
                for (int y = std::min(ay, by); y <= std::max(ay, by) && open; ++y)
                    for (int x = std::min(ax, bx); x <= std::max(ax, bx) && open; ++x) open = label[y * 256 + x] == label[a];
                if (!open) continue;
                return {PathPoint{ax * 256 + 128, ay * 256 + 128}, PathPoint{bx * 256 + 128, by * 256 + 128}};
            }
        }
    }
    return {};
}

// Point in walkable cell `cell`, moved within the cell by the random source.
PathPoint pointIn(int cell, navtest::TestRandom& rnd) {
    return {(cell % 256) * 256 + rnd.below(256), (cell / 256) * 256 + rnd.below(256)};
}

TEST(CorridorCache, RepeatedAndNewQueriesAnswerAsFreshPlanning) {
    // Agents asking again from about where they stand: a pool of start and goal cells, each
    // query from a new point of its start cell, so repeats meet the cache and others do not.
    for (const auto& [cells, rule] : {std::pair{navtest::loadMapTest(), nav::CellLinkRule{navtest::sameLowBits}},
                                      std::pair{navtest::mazeMap(21, 40), nav::CellLinkRule{navtest::sameLowBits}},
                                      std::pair{navtest::narrowDoorsMap(22), nav::CellLinkRule{nav::stepLinkRule}}}) {
        ASSERT_FALSE(cells.empty());
        build(cells, rule);
        const std::vector<int> label = navtest::componentLabels(cells);
        const std::vector<int> walkable = navtest::walkableCells(label);
        navtest::TestRandom rnd(23);
        std::vector<std::pair<int, int>> pool;
        while (pool.size() < 300) {
            const int a = walkable[rnd.below(static_cast<int>(walkable.size()))];
            const int b = walkable[rnd.below(static_cast<int>(walkable.size()))];
            if (label[a] == label[b]) pool.push_back({a, b});
        }
        const uint64_t hits = testSearch.corridorCache.hits, misses = testSearch.corridorCache.misses;
        int found = 0;
        for (int k = 0; k < 2000; ++k) {
            const auto [a, b] = pool[rnd.below(static_cast<int>(pool.size()))];
            found += expectSameAsFresh(pointIn(a, rnd), {(b % 256) * 256 + 128, (b / 256) * 256 + 128});
            if (::testing::Test::HasFailure()) return;
        }
        EXPECT_GT(found, 1000);
        EXPECT_GT(testSearch.corridorCache.hits - hits, 200u) << "repeats are answered from the cache";
        EXPECT_GT(testSearch.corridorCache.misses - misses, 200u);
    }
}

TEST(CorridorCache, ARebuildAnotherRuleOrAStricterTableIsNotAnsweredFromOldEntries) {
    const std::vector<uint8_t> maze = navtest::mazeMap(31, 30);
    build(maze, navtest::sameLowBits);
    const auto [from, to] = nearbyPair(maze, 20 * 256 + 20);
    const nav::CorridorCache& cache = testSearch.corridorCache;

    ASSERT_TRUE(expectSameAsFresh(from, to));
    ASSERT_LE(testSearch.routeSteps, nav::kCorridorCacheSteps);
    uint64_t hits = cache.hits;
    expectSameAsFresh(from, to);
    EXPECT_EQ(cache.hits, hits + 1) << "the same query again is a hit";

    // Another rule on the same mesh: the entry is gone.
    testMesh.linkRule = nav::stepLinkRule;
    hits = cache.hits;
    expectSameAsFresh(from, to);
    EXPECT_EQ(cache.hits, hits);

    // A table that reads class bits neither reads nor fills the cache.
    testMesh.clearanceLevel = 2;
    const uint64_t misses = cache.misses;
    expectSameAsFresh(from, to);
    expectSameAsFresh(from, to);
    EXPECT_EQ(cache.hits, hits);
    EXPECT_EQ(cache.misses, misses);
    testMesh.clearanceLevel = 1;

    // Another map into the same store, wrapping the generation on the way: no entry from
    // before is taken, although the wrap brings back generation 1.
    testSearch.corridorCache.generation = UINT32_MAX;
    expectSameAsFresh(from, to);  // kept in the last generation before the wrap
    build(navtest::mazeMap(32, 30), navtest::sameLowBits);
    hits = cache.hits;
    expectSameAsFresh(from, to);
    EXPECT_EQ(cache.hits, hits);
    EXPECT_EQ(cache.generation, 1u);
}

TEST(CorridorCache, EntriesSharingASlotKeepEveryPartOfTheirKey) {
    // findRoute directly: the target point only steers the search, so target cells can be
    // chosen freely. For each of the key's four parts, two searches that differ only there
    // and meet in one entry: the second is a miss, answered as a fresh search.
    build(navtest::loadMapTest(), navtest::sameLowBits);
    nav::RouteSearch& q = testSearch;
    nav::RouteSearch& fresh = freshSearch();
    q.passTableIndex = fresh.passTableIndex = 1;  // every edge passes: the cache is used
    const int s0 = nav::locateForQuery(testMesh, 40 * 256, 40 * 256);
    const int d0 = nav::locateForQuery(testMesh, 60 * 256, 50 * 256);
    struct Variant {
        int start, destination, cellX, cellY;
    };
    auto usableTriangle = [](int t) { return !nav::isOutsideType(testMesh.triangles[t].type); };
    // A base key and, for each part, a variant differing there alone in the same entry.
    Variant base{s0, d0, 0, 100};
    std::vector<Variant> variants;
    for (int cx = 100; cx < 1100 && variants.size() < 4; ++cx) {
        base.cellX = cx;
        const int slot = nav::corridorCacheIndex(s0, d0, cx, 100);
        variants.clear();
        auto first = [&](auto make, int limit, bool triangles) {
            for (int v = 0; v < limit; ++v) {
                const Variant w = make(v);
                if (triangles && !usableTriangle(v)) continue;
                if (!triangles && v == 0) continue;
                if (nav::corridorCacheIndex(w.start, w.destination, w.cellX, w.cellY) != slot) continue;
                if (w.start == s0 && w.destination == d0 && w.cellX == cx && w.cellY == 100) continue;
                variants.push_back(w);
                return;
            }
        };
        const int triangles = testMesh.triangleHighWater;
        first([&](int v) { return Variant{v, d0, cx, 100}; }, triangles, true);
        first([&](int v) { return Variant{s0, v, cx, 100}; }, triangles, true);
        first([&](int v) { return Variant{s0, d0, v, 100}; }, 100000, false);
        first([&](int v) { return Variant{s0, d0, cx, v}; }, 100000, false);
    }
    ASSERT_EQ(variants.size(), 4u) << "triangles " << testMesh.triangleHighWater << " s0 " << s0 << " d0 " << d0;
    for (const Variant& w : variants) {
        q.toX = base.cellX * 256;
        q.toY = base.cellY * 256;
        nav::findRoute(testMesh, q, s0, d0);  // fills the shared entry
        const uint64_t hits = q.corridorCache.hits;
        q.toX = fresh.toX = w.cellX * 256 + 7;
        q.toY = fresh.toY = w.cellY * 256 + 7;
        const int steps = nav::findRoute(testMesh, q, w.start, w.destination);
        EXPECT_EQ(q.corridorCache.hits, hits) << w.start << " " << w.destination << " " << w.cellX << " " << w.cellY;
        nav::newCorridorGeneration(fresh.corridorCache);
        EXPECT_EQ(steps, nav::findRoute(testMesh, fresh, w.start, w.destination));
        for (int i = 0; i <= steps && i <= fresh.routeSteps; ++i) EXPECT_EQ(q.route[i], fresh.route[i]);
    }
}

TEST(CorridorCache, CorridorsLongerThanAnEntryAreSearchedEachTime) {
    const std::vector<uint8_t> maze = navtest::mazeMap(51, 40);
    build(maze, navtest::sameLowBits);
    const std::vector<int> label = navtest::componentLabels(maze);
    navtest::TestRandom rnd(52);
    const nav::CorridorCache& cache = testSearch.corridorCache;
    int longOnes = 0;
    for (int k = 0; k < 3000 && longOnes < 3; ++k) {
        const int a = rnd.below(navtest::kMapCells), b = rnd.below(navtest::kMapCells);
        if (label[a] < 0 || label[a] != label[b]) continue;
        const PathPoint from{(a % 256) * 256 + 128, (a / 256) * 256 + 128}, to{(b % 256) * 256 + 128, (b / 256) * 256 + 128};
        expectSameAsFresh(from, to);
        if (testSearch.routeSteps <= nav::kCorridorCacheSteps) continue;
        ++longOnes;
        const uint64_t hits = cache.hits;
        expectSameAsFresh(from, to);
        EXPECT_EQ(cache.hits, hits) << "a corridor of " << testSearch.routeSteps << " steps was kept";
    }
    EXPECT_GT(longOnes, 0);
}

}  // namespace

namespace {

// One 8 x 8 grid of squares, numbered the same whatever the types: open, or with column 4
// of type 1 (not entered from type 0) but for a gap in the last row.
void buildGrid(navtest::GridMesh& grid, bool walled) {
    grid.build([walled](int c, int r) { return static_cast<uint8_t>(walled && c == 4 && r != 7 ? 1 : 0); });
}

// The corridor across row 1 of the grid through testSearch (and its cache), checked against
// a fresh search; returns its step count.
int searchAcross(navtest::GridMesh& grid) {
    nav::RouteSearch& q = testSearch;
    nav::RouteSearch& fresh = freshSearch();
    q.passTableIndex = fresh.passTableIndex = 1;
    const PathPoint target = grid.centre(6, 1);
    q.toX = fresh.toX = target.x;
    q.toY = fresh.toY = target.y;
    const int start = grid.triangle(1, 1, 0), destination = grid.triangle(6, 1, 0);
    const int steps = nav::findRoute(testMesh, q, start, destination);
    nav::newCorridorGeneration(fresh.corridorCache);
    EXPECT_EQ(steps, nav::findRoute(testMesh, fresh, start, destination));
    for (int i = 0; i <= steps && i <= fresh.routeSteps; ++i) EXPECT_EQ(q.route[i], fresh.route[i]) << i;
    return steps;
}

TEST(CorridorCache, AMeshRebuiltWithTheSameNumberingIsSearchedAgain) {
    navtest::GridMesh grid(8, 8, 4);
    testMesh.linkRule = navtest::sameLowBits;
    const nav::CorridorCache& cache = testSearch.corridorCache;
    buildGrid(grid, false);
    const int open = searchAcross(grid);
    ASSERT_GT(open, 0);
    ASSERT_LE(open, nav::kCorridorCacheSteps);
    uint64_t hits = cache.hits;
    EXPECT_EQ(searchAcross(grid), open);
    EXPECT_EQ(cache.hits, hits + 1);
    // The same triangles, the same target, another build: a wall now stands in the way.
    buildGrid(grid, true);
    hits = cache.hits;
    EXPECT_GT(searchAcross(grid), open);
    EXPECT_EQ(cache.hits, hits);
}

TEST(CorridorCache, AWrappedGenerationLeavesNoEntryOfTheOldGenerationOne) {
    navtest::GridMesh grid(8, 8, 4);
    testMesh.linkRule = navtest::sameLowBits;
    nav::CorridorCache& cache = testSearch.corridorCache;
    buildGrid(grid, false);
    searchAcross(grid);  // the cache follows this build
    cache.generation = UINT32_MAX;
    nav::newCorridorGeneration(cache);
    ASSERT_EQ(cache.generation, 1u);
    const int open = searchAcross(grid);  // kept in generation 1
    // Generations later the counter wraps to 1 again, at the next build.
    cache.generation = UINT32_MAX;
    buildGrid(grid, true);
    const uint64_t hits = cache.hits;
    EXPECT_GT(searchAcross(grid), open);
    EXPECT_EQ(cache.hits, hits);
    EXPECT_EQ(cache.generation, 1u);
}

}  // namespace
