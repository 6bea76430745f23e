// Once the scratch lists have grown, the agents' part of a simulation step (behaviours,
// combination, path following with its re-plans) allocates nothing: counted through a
// replacement of the global allocation functions for this test program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "navigation/navigation.h"
#include "steering/navigation_mode.h"
#include "steering_test_world.h"
#include "world/map_install.h"
#include "world/obstacles.h"
#include "world/world_navigation.h"

namespace {
bool counting = false;
long allocations = 0;
}  // namespace

// Every ordinary allocation function is replaced, so each block is freed by the family
// that made it (the sanitizer checks that pairing).
namespace {
void* allocate(std::size_t size) {
    if (counting) ++allocations;
    return std::malloc(size == 0 ? 1 : size);
}
}  // namespace

void* operator new(std::size_t size) {
    if (void* block = allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* block = allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace steering {
namespace {

using test::at;

TEST(Allocation, TheAgentStepOfAWalkingCrowdAllocatesNothing) {
    const std::unique_ptr<World> worldOwner = test::freshWorld();
    World& world = *worldOwner;
    ASSERT_TRUE(world.gridMap.load(STEERING_RESOURCE_DIR "/maptest.raw"));
    extractObstacles(world);
    world.navMesh.linkRule = sameCellType;
    ASSERT_TRUE(nav::buildNavigation(world.navMesh, world.gridMap.cells()));
    // Forty Insert presses of five in the open west of the map, all sent east.
    for (int press = 0; press < 40; ++press) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate, world.agentRandom);
        agentTemplate.place(at(300 + 120 * (press % 8), 7000 + 600 * (press / 8)), FixedVec{});
        for (int k = 0; k < 5; ++k) world.agentList.add(agentTemplate);
    }
    world.agentList.setTargetAll(at(20000, 9000));
    for (int step = 0; step < 100; ++step) world.agentList.updateAll();  // lists grow to the crowd

    // Each agent's update on a copy outside the grid: the grid's own bookkeeping of moves
    // into cells it has never held is the grid's business, not the step's.
    static Agent copies[200];
    std::size_t count = 0;
    for (const Agent& agent : world.agentList) copies[count++] = agent;
    // Only a new plan sets a path's length.
    static Fixed lengthBefore[200];
    for (std::size_t i = 0; i < count; ++i) lengthBefore[i] = copies[i].pathLength;
    allocations = 0;
    counting = true;
    for (int step = 0; step < 50; ++step) {
        for (std::size_t i = 0; i < count; ++i) copies[i].update();
    }
    counting = false;
    EXPECT_EQ(allocations, 0);
    int replanned = 0;
    for (std::size_t i = 0; i < count; ++i) replanned += copies[i].pathLength != lengthBefore[i] ? 1 : 0;
    EXPECT_GT(replanned, 0);  // some copies went through a re-plan inside the measured steps

    int walking = 0;
    for (std::size_t i = 0; i < count; ++i) walking += copies[i].pathDone ? 0 : 1;
    EXPECT_GT(walking, 100);  // the steps measured were real path following
}

// "avoid_agents" takes the step's index of the population at the step's first call: once its
// arrays have grown to the population, a step (the index taken again, every agent's columns
// screened) allocates nothing. The crowd stands still, so the grid's own moves stay in the
// cells they hold.
TEST(Allocation, StepsOfAgentsAvoidingEachOtherAllocateNothing) {
    const std::unique_ptr<World> worldOwner = test::freshWorld();
    World& world = *worldOwner;
    for (int i = 0; i < 150; ++i) {
        // A block of 100 spread apart and a pile of 50 on one point.
        const FixedVec place = i < 100 ? at(20000 + 150 * (i % 10), 20000 + 150 * (i / 10)) : at(25000, 25000);
        Agent agent = test::bareAgent(world, place, FixedVec{});
        agent.addBehaviour(kFixedOne, "avoid_agents");
        world.agentList.add(agent);
    }
    world.agentList.updateAll();  // the index's arrays grow to the crowd
    allocations = 0;
    counting = true;
    for (int step = 0; step < 20; ++step) world.agentList.updateAll();
    counting = false;
    EXPECT_EQ(allocations, 0);
    EXPECT_TRUE(world.avoidIndex.usable);
}

TEST(Allocation, ACrowdClaimingPlacesRoundItsTargetAllocatesNothing) {
    // Shortest paths: 60 agents sent into the room of rows 18 to 27; while the measured steps
    // run, agents held back round the target claim places and plan to them.
    const std::unique_ptr<World> worldOwner = test::freshWorld();
    World& world = *worldOwner;
    ASSERT_TRUE(world.gridMap.load(STEERING_RESOURCE_DIR "/maptest.raw"));
    extractObstacles(world);
    world.navMesh.linkRule = sameCellType;
    ASSERT_TRUE(nav::buildNavigation(world.navMesh, world.gridMap.cells()));
    setNavigationMode(world, NavigationMode::Shortest);
    for (int press = 0; press < 12; ++press) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate, world.agentRandom);
        agentTemplate.place(at(40 * 256 + 128, 16 * 256 + 128), FixedVec{});
        for (int k = 0; k < 5; ++k) world.agentList.add(agentTemplate);
    }
    world.agentList.setTargetAll(at(33 * 256 + 128, 23 * 256 + 128));
    for (int step = 0; step < 150; ++step) world.agentList.updateAll();

    static Agent copies[60];
    std::size_t count = 0;
    for (const Agent& agent : world.agentList) copies[count++] = agent;  // copies hold no claims
    allocations = 0;
    counting = true;
    for (int step = 0; step < 100; ++step) {
        for (std::size_t i = 0; i < count; ++i) copies[i].update();
    }
    counting = false;
    EXPECT_EQ(allocations, 0);
    int claimed = 0;
    for (std::size_t i = 0; i < count; ++i) claimed += copies[i].placeCell >= 0 ? 1 : 0;
    EXPECT_GT(claimed, 0);  // places were claimed inside the measured steps
}

}  // namespace
}  // namespace steering
