// navtool building the very mesh the steering program's set-up builds from the same file.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "navigation/mesh_digest.h"
#include "navigation/nav_mesh.h"
#include "programs/steering/world_setup.h"
#include "steering/agent_list.h"
#include "world/map_file.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "world/world_navigation.h"

namespace steering {
namespace {

std::string writeMap(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

void put(std::vector<uint8_t>& map, int column, int row, uint8_t value) {
    map[static_cast<std::size_t>(row) * kMapSide + column] = value;
}

// A small map with everything the preparation rewrites: markers inside and outside the
// scanned square, a marker byte with high bits, cells of 255, walls and other values.
std::vector<uint8_t> markedMap() {
    std::vector<uint8_t> map(kMapBytes, 0);
    for (int i = 0; i < 256; ++i) {
        put(map, i, 0, 15);
        put(map, 0, i, 15);
    }
    for (int r = 30; r < 40; ++r) put(map, 50, r, 255);  // a wall written as 255
    for (int c = 60; c < 70; ++c) put(map, c, 60, 3);
    put(map, 10, 20, 14);
    put(map, 11, 20, 0x2E);   // low bits 14: also a marker
    put(map, 127, 5, 14);     // column 127: not scanned
    put(map, 5, 127, 14);     // row 127: not scanned
    return map;
}

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
    agentList.clear();
    obstacleList.clear();
    neighbourGrid.clear();
    mapFilePath = mapPath;
    ::testing::internal::CaptureStderr();
    setupWorld();
    ::testing::internal::GetCapturedStderr();
    mapFilePath = "maptest.raw";
    char text[32];
    std::snprintf(text, sizeof text, "%016" PRIx64, nav::mesh_digest(steering::navMesh));
    agentList.clear();
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
