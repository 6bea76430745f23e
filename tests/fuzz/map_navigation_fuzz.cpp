// Any bytes as a map file: load it as the steering program does (short files are
// zero-filled, long ones cut), turn its markers into obstacles, build the navigation,
// check every mesh invariant, and run 50 path queries between points derived from the
// input, including points outside the map and at the ends of the integer range.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "navigation/mesh_checker.h"
#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "tests/fuzz/byte_reader.h"
#include "world/grid_map.h"
#include "steering/world.h"
#include "world/map_install.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "world/world_navigation.h"

namespace {

constexpr int kQueries = 50;
constexpr uint32_t kNeighbourGridSide = 128;  // as the steering program builds it
constexpr int32_t kMapUnits = 65536;          // world units across the map

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "map fuzz: %s: %s\n", what, detail.c_str());
    std::abort();
}

// A coordinate: mostly on or near the map, sometimes anywhere in the integer range.
int32_t coordinate(fuzzing::ByteReader& in) {
    const uint8_t kind = in.byte();
    if (kind < 200) return static_cast<int32_t>(in.word()) - 0x8000 + kMapUnits / 2;
    if (kind < 240) return static_cast<int32_t>(in.word()) * 256 / 255 - 128;  // just past the edges
    return static_cast<int32_t>(in.dword());
}

const std::string& mapPath() {
    static const std::string path = "/tmp/steering_map_fuzz_" + std::to_string(getpid()) + ".raw";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(mapPath().c_str(), "wb");
    if (file == nullptr) fail("cannot write", mapPath());
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);

    using namespace steering;
    // One world for every input, made on the first (its tables take megabytes).
    static const std::unique_ptr<World> worldOwner = makeWorld();
    World& world = *worldOwner;
    world.obstacleList.clear();
    world.neighbourGrid.init(kNeighbourGridSide, kNeighbourGridSide);
    // The program's own preparation and installation of a map file.
    static PreparedMap map;
    if (!world.gridMap.init(kMapSide, kMapSide)) return 0;
    prepareMapFile(mapPath().c_str(), map);
    installMap(world, map);
    // Both link rules: the program's, and the stepped one with its costlier links.
    world.navMesh.linkRule = size % 2 == 0 ? sameCellType : nav::stepLinkRule;
    const bool built = nav::buildNavigation(world.navMesh, world.gridMap.cells());

    const nav::MeshCheckResult check =
        built ? nav::checkMesh(world.navMesh, world.gridMap.cells()) : nav::checkMeshStructure(world.navMesh);
    if (!check.ok()) fail(built ? "mesh check" : "failed build's mesh check", check.firstError);

    // Query ends come from the input read from its end backwards, so short inputs still
    // give varied points.
    std::string reversed(reinterpret_cast<const char*>(data), size);
    reversed.assign(reversed.rbegin(), reversed.rend());
    fuzzing::ByteReader in(reinterpret_cast<const uint8_t*>(reversed.data()), reversed.size());
    static nav::PathResult result;
    for (int q = 0; q < kQueries; ++q) {
        const int32_t fromX = coordinate(in), fromY = coordinate(in);
        const int32_t toX = coordinate(in), toY = coordinate(in);
        nav::requestAgentPath(world.navMesh, world.routeSearch, result, fromX, fromY, toX, toY, 8192);
        if (result.waypointCount < 0 || result.waypointCount > nav::kMaxPathWaypoints) {
            fail("waypoint count", std::to_string(result.waypointCount));
        }
        if (!built && result.waypointCount != 0) fail("path on a failed build", std::to_string(q));
    }
    return 0;
}
