// JSON output of path queries: waypoints, corridor length and whether the ends connect.
#include "tools/navtool/path_queries.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/shortest_path.h"

namespace navtool {
namespace {

// Longest query line accepted.
constexpr int kMaxLine = 512;

// Reads up to `count` whole numbers from text; true when exactly that many are there and
// each fits an int.
bool parseInts(const char* text, int* values, int count) {
    const char* p = text;
    for (int i = 0; i < count; ++i) {
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(p, &end, 10);
        if (end == p || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
        values[i] = static_cast<int>(v);
        p = end;
    }
    return p[std::strspn(p, " \t\r\n")] == '\0';
}

}  // namespace

bool parseQuery(const char* text, int values[4]) { return parseInts(text, values, 4); }

void printPathQuery(std::FILE* out, steering::World& world, NavigationMode mode, int fromX, int fromY, int toX, int toY,
                    std::vector<Polyline>* paths) {
    nav::PathResult& result = world.pathResult;
    plan(world, mode, result, fromX, fromY, toX, toY);
    // The corridor belongs to the classic search; the shortest planner reports none.
    const int steps = mode == NavigationMode::Classic ? world.routeSearch.routeSteps : -1;
    std::fprintf(out,
                 "{\"planner\":\"%s\",\"from\":[%d,%d],\"to\":[%d,%d],\"connected\":%s,\"routeTriangles\":%d,"
                 "\"length\":%.1f,\"waypoints\":[",
                 steering::navigationModeName(mode), fromX, fromY, toX, toY, result.waypointCount > 0 ? "true" : "false",
                 steps >= 0 ? steps + 1 : 0, nav::pathLengthOf(result));
    for (int i = 0; i < result.waypointCount && i < nav::kMaxPathWaypoints; ++i) {
        std::fprintf(out, "%s[%d,%d]", i == 0 ? "" : ",", result.waypoints[i].x, result.waypoints[i].y);
    }
    std::fprintf(out, "]");
    if (mode == NavigationMode::Shortest) std::fprintf(out, ",\"nodesExpanded\":%d", world.shortestSearch->lastNodesExpanded);
    std::fprintf(out, "}\n");
    if (paths != nullptr && result.waypointCount > 0) {
        Polyline line{nav::PathPoint{fromX, fromY}};
        line.insert(line.end(), result.waypoints, result.waypoints + result.waypointCount);
        paths->push_back(std::move(line));
    }
}

bool readQueryFile(const char* path, std::vector<std::array<int, 4>>& queries) {
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        std::fprintf(stderr, "navtool: cannot read query file %s\n", path);
        return false;
    }
    char line[kMaxLine];
    int lineNumber = 0;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        ++lineNumber;
        const char* p = line + std::strspn(line, " \t");
        if (*p == '#' || *p == '\n' || *p == '\r' || *p == '\0') continue;
        std::array<int, 4> v{};
        if (!parseQuery(p, v.data())) {
            std::fprintf(stderr, "navtool: %s:%d: expected X0 Y0 X1 Y1 in world units\n", path, lineNumber);
            continue;
        }
        queries.push_back(v);
    }
    std::fclose(file);
    return true;
}

int runQueryFile(std::FILE* out, steering::World& world, NavigationMode mode, const char* path, std::vector<Polyline>* paths) {
    std::vector<std::array<int, 4>> queries;
    if (!readQueryFile(path, queries)) return -1;
    for (const auto& v : queries) printPathQuery(out, world, mode, v[0], v[1], v[2], v[3], paths);
    return static_cast<int>(queries.size());
}

}  // namespace navtool
