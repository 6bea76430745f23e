// navtool building the very mesh the steering program's set-up builds from the same file.
#include <gtest/gtest.h>

#include "tests/programs/steering/run_fixture.h"

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "navigation/mesh_digest.h"
#include "navigation/nav_mesh.h"
#include "programs/steering/steering_run.h"
#include "steering/agent_list.h"
#include "tests/world/map_bytes.h"
#include "world/map_file.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "world/world_navigation.h"

namespace steering {
namespace {

using test_maps::markedMap;
using test_maps::put;
using test_maps::writeMap;

// navtool MAP --check prints the digest of the mesh it built; the program's set-up, reading
// the same file, must build exactly that mesh.
struct ToolBuild {
    std::string digest;
    bool checked = false;
};

ToolBuild runNavtool(const std::string& mapPath) {
    ToolBuild result;
    const std::string command = std::string(STEERING_BIN_DIR) + "/navtool '" + mapPath + "' --check 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        const std::string text(line);
        if (text.rfind("mesh digest: ", 0) == 0) result.digest = text.substr(13, 16);
        if (text == "check: all invariants hold\n") result.checked = true;
    }
    pclose(pipe);
    return result;
}

std::string programDigest(const std::string& mapPath) {
    const auto runOwner = std::make_unique<steering::SteeringRun>();  // megabytes: not on the stack
    steering::SteeringRun& run = *runOwner;
    run.mapFilePath = mapPath;
    ::testing::internal::CaptureStderr();
    run.setupWorld();
    ::testing::internal::GetCapturedStderr();
    char text[32];
    std::snprintf(text, sizeof text, "%016" PRIx64, nav::meshDigest(run.world->navMesh));
    return text;
}

TEST(MapFile, NavtoolAndTheProgramBuildTheSameMesh) {
    const std::string marked = writeMap("map_file_navtool.raw", markedMap());
    for (const std::string& path : {std::string(STEERING_BIN_DIR) + "/maptest.raw", marked}) {
        const ToolBuild tool = runNavtool(path);
        ASSERT_EQ(tool.digest.size(), 16u) << path;
        EXPECT_TRUE(tool.checked) << path;
        EXPECT_EQ(tool.digest, programDigest(path)) << path;
    }
    // The digest tells meshes apart: the marked map without its rewrite differs.
    std::vector<uint8_t> unmarked = markedMap();
    put(unmarked, 10, 20, 1);
    put(unmarked, 11, 20, 1);
    const std::string same = writeMap("map_file_same.raw", unmarked);
    EXPECT_EQ(programDigest(same), programDigest(marked));
    put(unmarked, 11, 20, 0);
    const std::string other = writeMap("map_file_other.raw", unmarked);
    EXPECT_NE(programDigest(other), programDigest(marked));
    std::remove(marked.c_str());
    std::remove(same.c_str());
    std::remove(other.c_str());
}

}  // namespace
}  // namespace steering
