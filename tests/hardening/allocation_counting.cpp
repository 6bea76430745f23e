// In steady state nothing allocates: 100 frames of each program with nothing inserted or
// deleted (with and without every overlay), and a batch of path queries on maptest.raw.
// The global allocation functions of this test program are replaced by counted ones.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "navigation/navigation.h"
#include "navigation/route_planning.h"
#include "platform/win.h"
#include "tools/headless/session.h"
#include "tests/programs/steering/run_fixture.h"
#include "tools/headless/driver.h"
#include "world/world_navigation.h"

namespace {
bool counting = false;
long allocations = 0;

// Out of line so the compiler does not pair the replaced operator new with a plain free.
[[gnu::noinline]] void release(void* block) noexcept { std::free(block); }
}  // namespace

// With STEERING_ALLOCATION_TRAP set, the first counted allocation aborts, so a debugger or
// the core shows where it came from.
void* operator new(std::size_t size) {
    if (counting) {
        ++allocations;
        static const bool trap = std::getenv("STEERING_ALLOCATION_TRAP") != nullptr;
        if (trap) std::abort();
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
// The non-throwing forms (agents and obstacles are made with them) count the same way.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return operator new(size, std::nothrow);
}

void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { release(block); }

namespace {

// Frames before counting: scratch lists reach the size the population needs.
constexpr int kWarmUpFrames = 200;
constexpr int kCountedFrames = 100;
// Frames for a crowd to walk a few thousand world units and settle at its target.
constexpr int kCrowdWarmUpFrames = 1500;

struct Counted {
    long allocations = 0;
    int acceptedFrames = 0;
};

Counted countFrames(headless::Session& harness, int warmUpFrames = kWarmUpFrames) {
    for (int i = 0; i < warmUpFrames; ++i) harness.tick();
    Counted result;
    allocations = 0;
    counting = true;
    for (int i = 0; i < kCountedFrames; ++i) result.acceptedFrames += harness.tick() ? 1 : 0;
    counting = false;
    result.allocations = allocations;
    return result;
}

// Every menu command that switches an overlay on, in each program.
void allOverlaysOn(headless::Session& harness, const char* program) {
    const std::string_view name(program);
    if (name == "steering_basic") {
        harness.post(win::WM_COMMAND, 40007, 0);
        return;
    }
    for (win::WORD command : {40007, 40008, 40009}) harness.post(win::WM_COMMAND, command, 0);
    if (name == "steering") {
        for (win::WORD command : {40010, 40012}) harness.post(win::WM_COMMAND, command, 0);
    }
}

class SteadyState : public ::testing::TestWithParam<const char*> {};

TEST_P(SteadyState, HundredFramesAllocateNothing) {
    headless::Session harness;
    ASSERT_TRUE(harness.start(*headless::findProgram(GetParam()), {.reopenClosedWindow = true}));
    const int agents = harness.agentCount();
    const Counted counted = countFrames(harness);
    EXPECT_EQ(counted.acceptedFrames, kCountedFrames);
    EXPECT_EQ(counted.allocations, 0);
    EXPECT_EQ(harness.agentCount(), agents);
    harness.finish();
}

TEST_P(SteadyState, HundredFramesWithEveryOverlayAllocateNothing) {
    headless::Session harness;
    ASSERT_TRUE(harness.start(*headless::findProgram(GetParam()), {.reopenClosedWindow = true}));
    allOverlaysOn(harness, GetParam());
    const Counted counted = countFrames(harness);
    EXPECT_EQ(counted.acceptedFrames, kCountedFrames);
    EXPECT_EQ(counted.allocations, 0);
    harness.finish();
}

INSTANTIATE_TEST_SUITE_P(Programs, SteadyState, ::testing::Values("steering", "steering_walls", "steering_basic"),
                         [](const auto& info) { return std::string(info.param); });

// A crowd that walked a path on the real map and stands crowded at its end: its frames
// allocate nothing either. (While walking, the first visit of agents to a neighbour-grid
// cell grows that cell's array once; that growth is bounded by the map, so it is left out
// of the steady state measured here.)
// In each navigation mode (menu Navigation: Classic 40020, Shortest paths 40021).
class SteadyStateCrowd : public ::testing::TestWithParam<win::WORD> {};

TEST_P(SteadyStateCrowd, SteeringWithASettledCrowdOfFiftyAllocatesNothing) {
    headless::Session harness;
    ASSERT_TRUE(harness.start(*headless::findProgram("steering"), {.reopenClosedWindow = true}));
    harness.post(win::WM_COMMAND, GetParam(), 0);
    harness.leftClick(100, 300);  // Insert point under the first agent
    for (int i = 0; i < 10; ++i) harness.press(win::VK_INSERT);
    ASSERT_EQ(harness.agentCount(), 51);
    harness.post(win::WM_COMMAND, 40010, 0);  // paths shown, with the other mode's path
    harness.leftClick(300, 200);
    const Counted counted = countFrames(harness, kCrowdWarmUpFrames);
    EXPECT_EQ(counted.acceptedFrames, kCountedFrames);
    EXPECT_EQ(counted.allocations, 0);
    harness.finish();
}

INSTANTIATE_TEST_SUITE_P(NavigationModes, SteadyStateCrowd, ::testing::Values(win::WORD{40020}, win::WORD{40021}),
                         [](const auto& info) { return info.param == 40020 ? std::string("Classic") : std::string("Shortest"); });

// Edit mode: the outline follows the cursor every frame, a stroke paints along the pointer
// and the status line is up; none of it allocates (strokes keep their whole undo budget
// reserved).
TEST(SteadyStateEditing, SteeringInEditModeAllocatesNothingPerFrame) {
    headless::Session harness;
    ASSERT_TRUE(harness.start(*headless::findProgram("steering"), {.reopenClosedWindow = true}));
    harness.post(win::WM_KEYDOWN, 'E', 1);
    harness.post(win::WM_KEYDOWN, win::VK_CONTROL, 1);
    harness.post(win::WM_KEYDOWN, 'Z', 1);  // nothing to undo: the status line says so
    harness.post(win::WM_KEYUP, win::VK_CONTROL, static_cast<win::LPARAM>(0xC0000001u));
    for (int i = 0; i < kWarmUpFrames; ++i) harness.tick();
    allocations = 0;
    counting = true;
    harness.post(win::WM_LBUTTONDOWN, win::MK_LBUTTON, win::MAKELPARAM(200, 100));
    int accepted = 0;
    for (int i = 0; i < kCountedFrames; ++i) {
        const win::WORD x = static_cast<win::WORD>(200 + i), y = static_cast<win::WORD>(100 + i % 7);
        harness.post(win::WM_MOUSEMOVE, win::MK_LBUTTON, win::MAKELPARAM(x, y));
        accepted += harness.tick() ? 1 : 0;
    }
    counting = false;
    // The stroke's end rebuilds the map (its obstacles are new records): not a frame's work.
    harness.post(win::WM_LBUTTONUP, 0, win::MAKELPARAM(299, 100));
    for (int i = 0; i < kWarmUpFrames; ++i) harness.tick();
    counting = true;
    for (int i = 0; i < kCountedFrames; ++i) {
        harness.post(win::WM_MOUSEMOVE, 0, win::MAKELPARAM(static_cast<win::WORD>(i * 6), 300));
        accepted += harness.tick() ? 1 : 0;
    }
    counting = false;
    EXPECT_EQ(accepted, 2 * kCountedFrames);
    EXPECT_EQ(allocations, 0);
    harness.finish();
}

// Path queries on the program's own mesh, between points spread over the map and beyond.
TEST(SteadyStateQueries, PathQueriesOnTheProgramsMapAllocateNothing) {
    headless::Session harness;
    ASSERT_TRUE(harness.start(*headless::findProgram("steering"), {.reopenClosedWindow = true}));
    static nav::PathResult result;
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % 70000) - 2000;
    };
    int found = 0;
    allocations = 0;
    counting = true;
    for (int q = 0; q < 1000; ++q) {
        const int fromX = next(), fromY = next(), toX = next(), toY = next();
        nav::requestAgentPath(steering::test::worldOf(harness).navMesh, steering::test::worldOf(harness).routeSearch, result, fromX, fromY, toX, toY, nav::kAgentGateFraction);
        found += result.waypointCount > 0 ? 1 : 0;
    }
    counting = false;
    EXPECT_EQ(allocations, 0);
    EXPECT_GT(found, 50);  // real searches, not only refusals
    harness.finish();
}

}  // namespace
