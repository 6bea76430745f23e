// Path queries must not allocate: every global operator new of this test program is
// counted while a query runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "navigation/nav_log.h"
#include "navigation/navigation.h"
#include "navigation/route_planning.h"
#include "navigation/shortest_path.h"
#include "tests/navigation/route_test_support.h"
#include "tests/navigation/test_store.h"

namespace {
bool countingAllocations = false;
long allocationsSeen = 0;
}  // namespace

// Replacements for the whole test program: plain malloc/free, counted while switched on.
void* operator new(std::size_t size) {
    if (countingAllocations) ++allocationsSeen;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(RouteAllocation, QueriesAllocateNothing) {
    const std::vector<uint8_t> cells = navtest::generatedMap(17);
    testMesh.linkRule = navtest::sameLowBits;
    ASSERT_TRUE(nav::buildNavigation(testMesh, cells.data()));
    static nav::PathResult result;
    navtest::TestRandom rnd(8);
    int found = 0;
    allocationsSeen = 0;
    countingAllocations = true;
    for (int q = 0; q < 2000; ++q) {
        nav::requestAgentPath(testMesh, testSearch, result, rnd.below(65536), rnd.below(65536), rnd.below(65536), rnd.below(65536),
                                nav::kAgentGateFraction);
        found += result.waypointCount > 0;
    }
    countingAllocations = false;
    EXPECT_EQ(allocationsSeen, 0);
    EXPECT_GT(found, 100);
}

}  // namespace

namespace {

TEST(RouteAllocation, ShortestQueriesAllocateNothing) {
    const std::vector<uint8_t> cells = navtest::generatedMap(17);
    testMesh.linkRule = navtest::sameLowBits;
    ASSERT_TRUE(nav::buildNavigation(testMesh, cells.data()));
    static nav::PathResult result;
    static nav::ShortestSearchState state;  // caller-owned, made once
    navtest::TestRandom rnd(8);
    int found = 0;
    allocationsSeen = 0;
    countingAllocations = true;
    for (int q = 0; q < 2000; ++q) {
        nav::ShortestQuery query;
        query.fromX = rnd.below(65536);
        query.fromY = rnd.below(65536);
        query.toX = rnd.below(65536);
        query.toY = rnd.below(65536);
        query.clearance = 150;
        query.linkRule = navtest::sameLowBits;
        found += nav::findShortestPath(testMesh, state, query, result) == nav::ShortestStatus::Found;
    }
    countingAllocations = false;
    EXPECT_EQ(allocationsSeen, 0);
    EXPECT_GT(found, 100);
}

}  // namespace
