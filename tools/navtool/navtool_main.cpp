// navtool MAP.raw [--png FILE] [--check] [--query X0 Y0 X1 Y1]... [--queries FILE]
//         [--link-rule same|step] [--planner classic|shortest] [--compare FILE]
//         [--pairs N [--seed S] [--whole-map]]
// Builds the navigation mesh of a map file, prints the build's statistics, optionally
// checks its invariants, answers path queries (one JSON object per line on stdout) and
// draws the mesh with the paths found. --compare runs both planners on the pairs of a
// query file against the exact shortest path; --pairs writes N random connected pairs of
// the map as a query file to stdout (nothing else is printed), both ends in cells 0..127 of
// each axis, where agents walk, unless --whole-map draws them over the whole map.
#include <algorithm>
#include <array>
#include <cinttypes>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "navigation/area_build.h"
#include "navigation/mesh_checker.h"
#include "navigation/mesh_digest.h"
#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "tools/navtool/mesh_picture.h"
#include "tools/navtool/path_queries.h"
#include "tools/navtool/planner_compare.h"
#include "tools/nav_reference/random_pairs.h"
#include "world/map_file.h"

namespace {

// Builds timed; the best is printed, as the first pays for cold caches.
constexpr int kTimedBuilds = 5;

struct Query {
    int values[4];
};

struct Options {
    const char* mapPath = nullptr;
    const char* pngPath = nullptr;
    const char* queriesPath = nullptr;
    std::vector<Query> queries;
    const char* comparePath = nullptr;
    navtool::NavigationMode planner = navtool::NavigationMode::Classic;
    int pairs = 0;           // random pairs to write; 0: none
    uint32_t seed = 20240601u;
    bool stepRule = false;
    bool check = false;
    bool wholeMap = false;  // --pairs over all 256 x 256 cells, not only where agents walk
};

// Reads a positive whole number no larger than `limit`.
bool parseCount(const char* text, long limit, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value > 0 && value <= limit;
}

void usage() {
    std::fprintf(stderr,
                 "usage: navtool MAP.raw [--png FILE] [--check] [--query X0 Y0 X1 Y1]... [--queries FILE] "
                 "[--link-rule same|step] [--planner classic|shortest] [--compare FILE] [--pairs N [--seed S] [--whole-map]]\n");
}

bool parseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--png") == 0 && i + 1 < argc) {
            o.pngPath = argv[++i];
        } else if (std::strcmp(a, "--queries") == 0 && i + 1 < argc) {
            o.queriesPath = argv[++i];
        } else if (std::strcmp(a, "--check") == 0) {
            o.check = true;
        } else if (std::strcmp(a, "--whole-map") == 0) {
            o.wholeMap = true;
        } else if (std::strcmp(a, "--query") == 0 && i + 4 < argc) {
            const std::string text = std::string(argv[i + 1]) + " " + argv[i + 2] + " " + argv[i + 3] + " " + argv[i + 4];
            Query q{};
            if (!navtool::parseQuery(text.c_str(), q.values)) {
                std::fprintf(stderr, "navtool: --query needs four whole numbers (world units), got %s\n", text.c_str());
                return false;
            }
            o.queries.push_back(q);
            i += 4;
        } else if (std::strcmp(a, "--link-rule") == 0 && i + 1 < argc) {
            const char* rule = argv[++i];
            if (std::strcmp(rule, "step") == 0) {
                o.stepRule = true;
            } else if (std::strcmp(rule, "same") != 0) {
                std::fprintf(stderr, "navtool: unknown link rule %s (same or step)\n", rule);
                return false;
            }
        } else if (std::strcmp(a, "--planner") == 0 && i + 1 < argc) {
            const char* name = argv[++i];
            if (std::strcmp(name, "shortest") == 0) {
                o.planner = navtool::NavigationMode::Shortest;
            } else if (std::strcmp(name, "classic") != 0) {
                std::fprintf(stderr, "navtool: unknown planner %s (classic or shortest)\n", name);
                return false;
            }
        } else if (std::strcmp(a, "--compare") == 0 && i + 1 < argc) {
            o.comparePath = argv[++i];
        } else if ((std::strcmp(a, "--pairs") == 0 || std::strcmp(a, "--seed") == 0) && i + 1 < argc) {
            long value = 0;
            if (!parseCount(argv[i + 1], a[2] == 'p' ? 1000000 : 0x7FFFFFFF, value)) {
                std::fprintf(stderr, "navtool: %s needs a positive whole number, got %s\n", a, argv[i + 1]);
                return false;
            }
            if (a[2] == 'p') {
                o.pairs = static_cast<int>(value);
            } else {
                o.seed = static_cast<uint32_t>(value);
            }
            ++i;
        } else if (a[0] == '-') {
            std::fprintf(stderr, "navtool: unknown or incomplete option %s\n", a);
            return false;
        } else if (o.mapPath == nullptr) {
            o.mapPath = a;
        } else {
            std::fprintf(stderr, "navtool: more than one map given (%s)\n", a);
            return false;
        }
    }
    if (o.mapPath == nullptr) {
        std::fprintf(stderr, "navtool: no map given\n");
        return false;
    }
    return true;
}

// The same preparation as the steering program's (short and long files, cells of 255,
// markers rewritten to 1), so both build the same mesh from one file. Only a file that
// cannot be read at all stops the tool: an open map is not what was asked for.
// With `report` false nothing goes to stdout (--pairs writes a query file there).
bool loadMap(const char* path, steering::PreparedMap& map, bool report) {
    const steering::MapFileRead read = steering::prepareMapFile(path, map);
    if (read.status == steering::MapFileStatus::Missing) {
        std::fprintf(stderr, "navtool: cannot open map %s\n", path);
        return false;
    }
    if (report) std::printf("obstacles: %zu from markers\n", map.obstacles.size());
    return true;
}

double percent(int used, int capacity) { return 100.0 * used / capacity; }

void printStats(const nav::NavMesh& m, const char* path, double bestMs) {
    std::printf("map: %s\n", path);
    std::printf("build: %s\n", m.buildFailed ? m.buildFailure : "complete");
    std::printf("rectangles: %d in the cover, %d inserted (value not 0)\n", m.stats.rectangles,
                m.stats.rectanglesInserted);
    std::printf("vertices: %d of %d (%.1f%%)\n", m.pointHighWater, nav::kMaxVertices,
                percent(m.pointHighWater, nav::kMaxVertices));
    std::printf("triangles: %d of %d (%.1f%%)\n", m.triangleHighWater, nav::kMaxTriangles,
                percent(m.triangleHighWater, nav::kMaxTriangles));
    std::printf("flips: %d\n", m.stats.flips);
    std::printf("improvement stack: at most %d of %d (%.1f%%)\n", m.stats.improveStackMax, nav::kImproveStackCapacity,
                percent(m.stats.improveStackMax, nav::kImproveStackCapacity));
    std::printf("boundary ring: %d of %d\n", m.boundaryRingLength, nav::kBoundaryRingCapacity);
    std::printf("build time: %.3f ms (best of %d)\n", bestMs, kTimedBuilds);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseArgs(argc, argv, options)) {
        usage();
        return 2;
    }
    const auto map = std::make_unique<steering::PreparedMap>();  // two 64 KiB copies: not on the stack
    if (!loadMap(options.mapPath, *map, options.pairs == 0)) return 1;
    const std::array<uint8_t, steering::kMapBytes>& cells = map->cells;
    if (options.pairs > 0) {
        for (const navref::QueryPair& p : navref::random_pairs(cells.data(), options.pairs, options.seed, true,
                                                                      options.wholeMap ? 256 : navref::kAgentReach)) {
            std::printf("%d %d %d %d\n", p.fromX, p.fromY, p.toX, p.toY);
        }
        return 0;
    }
    // The tool's world: the prepared cells in its grid map (the stranding rule reads them)
    // and the mesh built over them.
    const std::unique_ptr<steering::World> world = steering::makeWorld();
    world->gridMap.init(steering::kMapSide, steering::kMapSide);
    std::copy(cells.begin(), cells.end(), world->gridMap.cells());
    nav::NavMesh& mesh = world->navMesh;
    mesh.linkRule = options.stepRule ? nav::stepLinkRule : steering::sameCellType;

    double best = 1e30;
    for (int i = 0; i < kTimedBuilds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        nav::buildNavigation(mesh, cells.data());
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
        if (mesh.buildFailed) break;  // the same failure every time
    }
    printStats(mesh, options.mapPath, best);
    std::printf("mesh digest: %016" PRIx64 "\n", nav::meshDigest(mesh));
    if (!mesh.buildFailed) navtool::printCornerGraph(*world);
    int status = mesh.buildFailed ? 1 : 0;

    if (options.check) {
        const nav::MeshCheckResult check = nav::checkMesh(mesh, cells.data());
        std::printf("check: %s\n", check.ok() ? "all invariants hold" : check.firstError.c_str());
        if (!check.ok()) status = 1;
    }
    // Queries first, so the picture can show their paths.
    std::vector<navtool::Polyline> paths;
    std::vector<navtool::Polyline>* drawn = options.pngPath != nullptr ? &paths : nullptr;
    for (const Query& q : options.queries) {
        navtool::printPathQuery(stdout, *world, options.planner, q.values[0], q.values[1], q.values[2], q.values[3], drawn);
    }
    if (options.queriesPath != nullptr && navtool::runQueryFile(stdout, *world, options.planner, options.queriesPath, drawn) < 0) status = 1;
    if (options.comparePath != nullptr) {
        std::vector<std::array<int, 4>> pairs;
        if (!navtool::readQueryFile(options.comparePath, pairs)) {
            status = 1;
        } else if (options.stepRule) {
            std::fprintf(stderr, "navtool: --compare measures the same-type rule only\n");
            status = 1;
        } else if (!navtool::comparePlanners(stdout, *world, cells.data(), pairs)) {
            status = 1;
        }
    }
    if (options.pngPath != nullptr) {
        if (navtool::writeMeshPicture(mesh, cells.data(), paths, options.pngPath)) {
            std::printf("picture: %s\n", options.pngPath);
        } else {
            status = 1;
        }
    }
    return status;
}
