#include "programs/steering/steering_run.h"
#include "world/map_install.h"

#include <gtest/gtest.h>

#include "tests/programs/steering/run_fixture.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "navigation/nav_mesh.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "world/world_navigation.h"

namespace steering {
namespace {

// Each test has a new run of its own.
class WorldTest : public test::RunTest {};

class MarkerTest : public WorldTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(world().gridMap.init(256, 256));
        ASSERT_TRUE(world().neighbourGrid.init(128, 128));
    }
    void setByte(int column, int row, uint8_t value) { world().gridMap.cells()[row * 256 + column] = value; }
};

TEST_F(MarkerTest, OneMarkerGivesOneObstacleAtTheCellCentre) {
    setByte(10, 20, 14);
    extractObstacles(world());
    ASSERT_EQ(world().obstacleList.size(), 1u);
    const Obstacle& o = **world().obstacleList.begin();
    EXPECT_EQ(o.x, 176160768);  // 2688.0 units
    EXPECT_EQ(o.y, 343932928);  // 5248.0 units
    EXPECT_EQ(o.radius, 0x8C0000);
    EXPECT_EQ(world().gridMap.cellAt(10, 20), 1);
    EXPECT_EQ(world().gridMap.cells()[20 * 256 + 10], 1);
    // Registered in the neighbour grid: (2548..2828, 5108..5388) lies in cell (4..5, 9..10).
    EXPECT_EQ(world().neighbourGrid.obstacleCount(4, 9), 1);
    EXPECT_EQ(world().neighbourGrid.obstacleCount(5, 10), 1);
    EXPECT_EQ(world().neighbourGrid.obstacleCount(6, 10), 0);
}

TEST_F(MarkerTest, TheWholeByteIsRewrittenAndOnlyTheLowBitsCount) {
    setByte(3, 3, 0xFE);  // type 14 with high bits
    setByte(4, 3, 0x1F);  // a wall, whatever the high bits
    extractObstacles(world());
    EXPECT_EQ(world().obstacleList.size(), 1u);
    EXPECT_EQ(world().gridMap.cells()[3 * 256 + 3], 1);
    EXPECT_EQ(world().gridMap.cells()[3 * 256 + 4], 0x1F);
}

TEST_F(MarkerTest, MarkersInRowOrColumn127AndBeyondStay) {
    setByte(127, 5, 14);
    setByte(5, 127, 14);
    setByte(200, 200, 14);
    extractObstacles(world());
    EXPECT_EQ(world().obstacleList.size(), 0u);
    EXPECT_EQ(world().gridMap.cellAt(127, 5), 14);
    EXPECT_EQ(world().gridMap.cellAt(5, 127), 14);
    EXPECT_EQ(world().gridMap.cellAt(200, 200), 14);
}

TEST_F(MarkerTest, ObstaclesAreInRowOrder) {
    setByte(50, 2, 14);
    setByte(3, 9, 14);
    setByte(126, 126, 14);
    setByte(7, 2, 14);
    extractObstacles(world());
    ASSERT_EQ(world().obstacleList.size(), 4u);
    std::vector<std::pair<Fixed, Fixed>> centres;
    for (const auto& o : world().obstacleList) centres.emplace_back(o->x >> 16, o->y >> 16);
    EXPECT_EQ(centres, (std::vector<std::pair<Fixed, Fixed>>{
                           {7 * 256 + 128, 2 * 256 + 128},
                           {50 * 256 + 128, 2 * 256 + 128},
                           {3 * 256 + 128, 9 * 256 + 128},
                           {126 * 256 + 128, 126 * 256 + 128}}));
}

class StartUpTest : public WorldTest {
protected:
    void SetUp() override {
        // The program reads "maptest.raw" from its working directory, next to the binaries.
        ASSERT_EQ(chdir(STEERING_BIN_DIR), 0);
        run().setupWorld();
    }
};

TEST_F(StartUpTest, OneAgentAtTheStartWithTargetOrigin) {
    ASSERT_EQ(world().agentList.size(), 1u);
    const Agent& agent = *world().agentList.begin();
    EXPECT_EQ(agent.position.x, 98304000);  // 1500.0 units
    EXPECT_EQ(agent.position.y, 294912000);  // 4500.0 units
    EXPECT_EQ(agent.velocity, (FixedVec{0, 0}));
    EXPECT_EQ(agent.pathTarget, (FixedVec{0, 0}));
    EXPECT_GE(agent.radius, 75 * 65536);
    EXPECT_LE(agent.radius, 225 * 65536);
    // (0, 0) lies in the wall cell closing the map's corner: no route leads there, so the
    // agent waits at its start for the first click instead of leaving the map.
    EXPECT_EQ(agent.pathCount, 0);
    EXPECT_TRUE(agent.pathDone);
    std::vector<Agent*> found;
    world().neighbourGrid.queryAgents(agent.position, 0.0, found);
    EXPECT_EQ(found.size(), 1u);
}

TEST_F(StartUpTest, MapObstaclesAreMadeAndTheirMarkersCleared) {
    EXPECT_EQ(world().gridMap.width, 256u);
    EXPECT_EQ(world().neighbourGrid.columns, 128u);
    EXPECT_EQ(world().obstacleList.size(), 40u);
    for (uint32_t r = 0; r < 127; ++r) {
        for (uint32_t c = 0; c < 127; ++c) ASSERT_NE(world().gridMap.cellAt(c, r), kObstacleMarkerType);
    }
    for (const auto& o : world().obstacleList) {
        EXPECT_EQ(o->radius, 140 * 65536);
        // At a cell centre that now reads type 1.
        EXPECT_EQ((o->x >> 16) % 256, 128);
        const CellIndex cell = world().gridMap.worldToCell({o->x, o->y});
        EXPECT_EQ(world().gridMap.cellAt(cell.column, cell.row), 1);
        std::vector<const Obstacle*> found;
        world().neighbourGrid.queryObstacles({o->x, o->y}, 0.0, found);
        EXPECT_NE(std::find(found.begin(), found.end(), o.get()), found.end());
    }
}

TEST_F(WorldTest, WithoutAMapFileTheWorldIsOpenGround) {
    const std::string empty = ::testing::TempDir() + "world_without_map";
    ASSERT_TRUE(std::filesystem::create_directories(empty) || std::filesystem::is_directory(empty));
    std::filesystem::remove(empty + "/maptest.raw");
    ASSERT_EQ(chdir(empty.c_str()), 0);
    ::testing::internal::CaptureStderr();
    run().setupWorld();
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("\"maptest.raw\" not found"), std::string::npos) << message;
    EXPECT_EQ(world().obstacleList.size(), 0u);
    ASSERT_EQ(world().agentList.size(), 1u);
    EXPECT_EQ(world().agentList.begin()->position, (FixedVec{98304000, 294912000}));
    for (uint32_t r = 0; r < 256; ++r) {
        for (uint32_t c = 0; c < 256; ++c) ASSERT_EQ(world().gridMap.cellAt(c, r), 0);
    }
    // Open ground all the way: the path to (0, 0) is found and the agent gets there.
    EXPECT_FALSE(world().agentList.begin()->pathDone);
    for (int step = 0; step < 400; ++step) world().agentList.updateAll();
    EXPECT_LT(approxLength(world().agentList.begin()->position), toFixed(256));
}

TEST_F(WorldTest, OnAMapWalledAtTheStartTheFirstAgentStandsInTheNearestOpenCell) {
    // Open ground but for cells (4..6, 16..18) round the start (1500, 4500) in cell (5, 17),
    // near that cell's right edge. Of the open centres, (7, 17)'s (1920, 4480) is 420 units
    // away, (7, 18)'s 482, (7, 16)'s and (5, 19)'s 501, (5, 15)'s 540, (3, 17)'s 604.
    const std::string folder = ::testing::TempDir() + "world_walled_start";
    std::filesystem::create_directories(folder);
    std::vector<uint8_t> cells(kMapBytes, 0);
    for (int r = 16; r <= 18; ++r) {
        for (int c = 4; c <= 6; ++c) cells[r * 256 + c] = kWallType;
    }
    const std::string path = folder + "/walled.raw";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(cells.data(), 1, cells.size(), file), cells.size());
    std::fclose(file);
    run().mapFilePath = path;
    run().setupWorld();
    ASSERT_EQ(world().agentList.size(), 1u);
    EXPECT_EQ(world().agentList.begin()->position, (FixedVec{toFixed(1920), toFixed(4480)}));
    // From there the corner (0, 0) is open ground: it gets a path at once.
    EXPECT_FALSE(world().agentList.begin()->pathDone);
    std::filesystem::remove_all(folder);
}

TEST_F(StartUpTest, TheMapsNavigationUsesWellUnderHalfOfItsTables) {
    EXPECT_FALSE(world().navMesh.buildFailed);
    // The map generator's own cover of this map inserts 123 rectangles.
    EXPECT_EQ(world().navMesh.stats.rectanglesInserted, 123);
    EXPECT_LT(world().navMesh.pointLive, nav::kMaxVertices / 4);
    EXPECT_LT(world().navMesh.triangleLive, nav::kMaxTriangles / 4);
    std::printf("navigation of maptest.raw: %d rectangles (%d inserted), %d of %d vertices, %d of %d triangles\n",
                world().navMesh.stats.rectangles, world().navMesh.stats.rectanglesInserted, world().navMesh.pointLive,
                nav::kMaxVertices, world().navMesh.triangleLive, nav::kMaxTriangles);
}

}  // namespace
}  // namespace steering
