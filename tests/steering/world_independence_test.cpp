// Worlds are values: several in one process, stepped in turn or on several threads, each
// gives exactly the trace it gives alone. Each world here has its own map, population,
// inputs and navigation mode, so every part a world owns (map, obstacles, neighbour grid,
// mesh, both planners' state, agents, generator, scratch lists) is exercised in all of them.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "navigation/navigation.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "steering/navigation_mode.h"
#include "steering/world.h"
#include "world/grid_map.h"
#include "world/map_install.h"

namespace steering {
namespace {

constexpr int kSteps = 400;
constexpr uint64_t kHashStart = 14695981039346656037ull;

// How one world is made and driven: its map, its mode, where its crowds are inserted and
// where they are sent (twice: at the start and half-way).
struct Recipe {
    bool committedMap;   // maptest.raw, else an open map with a wall across it and one doorway
    NavigationMode mode;
    int insertions;      // presses of Insert: five agents each
    FixedVec insertAt;   // whole units as 16.16
    FixedVec firstTarget;
    FixedVec secondTarget;
};

constexpr FixedVec point(int x, int y) { return {x * 65536, y * 65536}; }

const Recipe kRecipes[] = {
    {true, NavigationMode::Classic, 4, point(1500, 4500), point(6000, 9000), point(2000, 2000)},
    {false, NavigationMode::Shortest, 6, point(3000, 3000), point(3000, 12000), point(9000, 4000)},
    {true, NavigationMode::Shortest, 3, point(8000, 8000), point(1500, 4500), point(20000, 20000)},
    {false, NavigationMode::Classic, 5, point(12000, 2000), point(2000, 14000), point(12000, 12000)},
};

std::unique_ptr<World> makeRecipeWorld(const Recipe& recipe) {
    std::unique_ptr<World> world = makeWorld();
    world->gridMap.init(kMapSide, kMapSide);
    world->neighbourGrid.init(128, 128);
    if (recipe.committedMap) {
        EXPECT_TRUE(world->gridMap.load(STEERING_RESOURCE_DIR "/maptest.raw"));
        extractObstacles(*world);
    } else {
        // A wall ring round cells 0..63 and a wall across row 32 with a doorway at 40..43.
        uint8_t* cells = world->gridMap.cells();
        for (int i = 0; i < 64; ++i) {
            cells[i] = cells[63 * 256 + i] = cells[i * 256] = cells[i * 256 + 63] = 15;
            if (i < 40 || i > 43) cells[32 * 256 + i] = 15;
        }
        cells[20 * 256 + 20] = 14;  // one obstacle marker
        extractObstacles(*world);
    }
    world->navMesh.linkRule = sameCellType;
    EXPECT_TRUE(nav::buildNavigation(world->navMesh, world->gridMap.cells()));
    setNavigationMode(*world, recipe.mode);
    for (int press = 0; press < recipe.insertions; ++press) {
        Agent agentTemplate;
        makeAgentTemplate(agentTemplate, world->agentRandom);
        agentTemplate.place(recipe.insertAt + point(40 * press, 0), FixedVec{});
        for (int i = 0; i < 5; ++i) world->agentList.add(agentTemplate);
    }
    world->agentList.setTargetAll(recipe.firstTarget);
    return world;
}

uint64_t mix(uint64_t hash, int32_t value) {
    const uint32_t bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        hash ^= (bits >> (8 * i)) & 0xFFu;
        hash *= 1099511628211ull;
    }
    return hash;
}

// One step of the recipe's inputs and agents; returns the hash of every agent's state after it.
uint64_t step(World& world, const Recipe& recipe, int index) {
    if (index == kSteps / 2) world.agentList.setTargetAll(recipe.secondTarget);
    world.agentList.updateAll();
    uint64_t hash = kHashStart;
    for (const Agent& agent : world.agentList) {
        for (int32_t v : {agent.position.x, agent.position.y, agent.velocity.x, agent.velocity.y, agent.waypointIndex,
                          agent.pathCount, agent.pathDone ? 1 : 0}) {
            hash = mix(hash, v);
        }
    }
    return hash;
}

std::vector<uint64_t> traceAlone(const Recipe& recipe) {
    std::unique_ptr<World> world = makeRecipeWorld(recipe);
    std::vector<uint64_t> trace;
    for (int i = 0; i < kSteps; ++i) trace.push_back(step(*world, recipe, i));
    return trace;
}

// The recipes really differ, and their agents really walk their paths: otherwise equal
// traces would prove nothing.
TEST(WorldIndependence, TheRecipesGiveDifferentMovingTraces) {
    std::vector<std::vector<uint64_t>> traces;
    for (const Recipe& recipe : kRecipes) {
        traces.push_back(traceAlone(recipe));
        EXPECT_NE(traces.back().front(), traces.back().back());
        EXPECT_NE(traces.back()[kSteps / 2 - 1], traces.back()[kSteps / 2 + 10]);
    }
    for (std::size_t a = 0; a < traces.size(); ++a) {
        for (std::size_t b = a + 1; b < traces.size(); ++b) EXPECT_NE(traces[a], traces[b]) << a << " " << b;
    }
}

TEST(WorldIndependence, TwoWorldsSteppedAlternatelyGiveTheTracesEachGivesAlone) {
    const Recipe& first = kRecipes[0];
    const Recipe& second = kRecipes[1];
    const std::vector<uint64_t> firstAlone = traceAlone(first);
    const std::vector<uint64_t> secondAlone = traceAlone(second);
    // Both made before either steps, then one step each in turn.
    std::unique_ptr<World> a = makeRecipeWorld(first);
    std::unique_ptr<World> b = makeRecipeWorld(second);
    std::vector<uint64_t> firstTrace, secondTrace;
    for (int i = 0; i < kSteps; ++i) {
        firstTrace.push_back(step(*a, first, i));
        secondTrace.push_back(step(*b, second, i));
    }
    EXPECT_EQ(firstTrace, firstAlone);
    EXPECT_EQ(secondTrace, secondAlone);
}

TEST(WorldIndependence, FourWorldsOnFourThreadsGiveTheSerialTraces) {
    std::vector<std::vector<uint64_t>> serial;
    for (const Recipe& recipe : kRecipes) serial.push_back(traceAlone(recipe));
    std::vector<std::vector<uint64_t>> threaded(std::size(kRecipes));
    std::vector<std::thread> threads;
    for (std::size_t k = 0; k < std::size(kRecipes); ++k) {
        threads.emplace_back([k, &threaded] { threaded[k] = traceAlone(kRecipes[k]); });
    }
    for (std::thread& thread : threads) thread.join();
    for (std::size_t k = 0; k < std::size(kRecipes); ++k) EXPECT_EQ(threaded[k], serial[k]) << "world " << k;
}

}  // namespace
}  // namespace steering
