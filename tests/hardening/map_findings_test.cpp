// Regression tests of what the map fuzzer found: a map byte of 255 is the navigation's
// mark of an unused triangle slot.
#include <gtest/gtest.h>

#include <memory>

#include "steering/world.h"

#include <cstdio>
#include <string>
#include <vector>

#include "navigation/mesh_checker.h"
#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "programs/steering/steering_run.h"
#include "world/world_navigation.h"

namespace {

std::string writeMapFile(const std::vector<uint8_t>& bytes) {
    const std::string path = testing::TempDir() + "map_findings.raw";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr);
    if (file != nullptr) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    return path;
}

// Each test has a fresh world of its own.
class MapFindings : public ::testing::Test {
protected:
    steering::World& world() { return *worldOwner; }
    std::unique_ptr<steering::World> worldOwner = steering::makeWorld();
};
class NavigationFindings : public MapFindings {};

// The fuzzer's smallest finding: two cells of 255 in the top-left corner, the rest open.
TEST_F(MapFindings, CellsOf255ReadAsWallsAndTheProgramsMeshPassesEveryCheck) {
    using namespace steering;
    ASSERT_TRUE(world().gridMap.init(kMapSide, kMapSide));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(world().gridMap.load(writeMapFile({0xFF, 0xFF}).c_str()));  // short: false, as before
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("2 cells of value 255"), std::string::npos) << message;
    EXPECT_EQ(world().gridMap.cells()[0], kWallType);
    EXPECT_EQ(world().gridMap.cells()[1], kWallType);
    EXPECT_EQ(world().gridMap.cellAt(0, 0), kWallType);
    EXPECT_EQ(world().gridMap.cells()[2], 0);

    world().navMesh.linkRule = sameCellType;
    ASSERT_TRUE(nav::buildNavigation(world().navMesh, world().gridMap.cells()));
    const nav::MeshCheckResult check = nav::checkMesh(world().navMesh, world().gridMap.cells());
    EXPECT_TRUE(check.ok()) << check.firstError;
}

TEST_F(MapFindings, AFullMapOf255AndOtherValuesKeepsEveryOtherByte) {
    using namespace steering;
    std::vector<uint8_t> bytes(kMapBytes);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    ASSERT_TRUE(world().gridMap.init(kMapSide, kMapSide));
    testing::internal::CaptureStderr();
    EXPECT_TRUE(world().gridMap.load(writeMapFile(bytes).c_str()));
    testing::internal::GetCapturedStderr();
    int replaced = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const uint8_t expected = bytes[i] == 0xFF ? 0x0F : bytes[i];
        replaced += bytes[i] == 0xFF ? 1 : 0;
        ASSERT_EQ(world().gridMap.cells()[i], expected) << "cell " << i;
    }
    EXPECT_EQ(replaced, 256);  // i * 7 takes every byte value equally often
}

// The navigation itself, given cells of 255 directly (navtool and tests pass any bytes):
// either it builds a mesh that passes every check, or it refuses the build, leaving a
// consistent mesh on which every query answers "no path". Never live triangles that look
// unused.
TEST_F(NavigationFindings, ABuildOverCellsOf255LeavesAConsistentMesh) {
    std::vector<uint8_t> cells(steering::kMapBytes, 0);
    cells[0] = 0xFF;
    cells[1] = 0xFF;
    world().navMesh.linkRule = steering::sameCellType;
    testing::internal::CaptureStderr();
    const bool built = nav::buildNavigation(world().navMesh, cells.data());
    const std::string message = testing::internal::GetCapturedStderr();
    const nav::MeshCheckResult check =
        built ? nav::checkMesh(world().navMesh, cells.data()) : nav::checkMeshStructure(world().navMesh);
    EXPECT_TRUE(check.ok()) << check.firstError;
    if (!built) {
        EXPECT_FALSE(message.empty());  // a refusal says why
        static nav::PathResult result;
        nav::requestAgentPath(world().navMesh, world().routeSearch, result, 3000, 3000, 9000, 9000, 8192);
        EXPECT_EQ(result.waypointCount, 0);
    }
}

}  // namespace
