// Writes "maptest.raw", the steering program's 256 x 256 map, deterministically, and
// prints an ASCII preview of the playable quarter and statistics. Usage: mapgen [OUTPUT]
//
// The design: open ground inside the top-left corner (near the first target, (0, 0)) and at the first agent (cell (5, 17)); in the
// starting view a garden wall to walk around, a hall and a two-room house with wide
// doorways and a few obstacles; further out a three-room warehouse, a walled corridor into
// a serpentine block, a watchtower, a courtyard, a hut, ruins, a field and a marsh (cell value 2) and a pond (value 3)
// that the navigation keeps apart from the ground; 40 round obstacles in open ground. A
// wall border on rows and columns 0 and 127 closes every edge of the cells agents can reach
// (their 16.16 positions end in cell 127, and nothing on the map may lead to negative
// coordinates); everything beyond it is plain ground.
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tools/mapgen/map_canvas.h"

namespace mapgen {
namespace {

constexpr int kDoorwayMinWidth = 4;   // cells: the largest agents are 1.8 cells across
constexpr int kDoorwayMargin = 2;     // cells around a doorway that stay free of obstacles
constexpr int kObstacleCount = 40;
constexpr int kWallClearance = 3;     // Chebyshev cells from an obstacle to the nearest wall
constexpr int kObstacleSpacing = 3;   // Chebyshev cells between two obstacles
constexpr int kPatchClearance = 2;    // Chebyshev cells from an obstacle to a patch
constexpr int kPlacementAttempts = 20000;
constexpr Cell kCornerGround{1, 1};  // the walkable cell nearest the first target (0, 0)
constexpr Cell kFirstAgent{5, 17};    // (1500, 4500) world units
constexpr int kStartViewColumns = 38; // cells visible at the starting scale (640 x 480 pixels)
constexpr int kStartViewRows = 29;

bool isWall(uint8_t v) { return v == kWall; }
bool isObstacle(uint8_t v) { return v == kObstacleMarker; }
bool isPatch(uint8_t v) { return v != kGround && v != kWall && v != kObstacleMarker; }
bool isWalkable(uint8_t v) { return v == kGround || v == kObstacleMarker; }

void fail(const char* what) {
    std::fprintf(stderr, "mapgen: %s\n", what);
    std::exit(1);
}

// The perimeter of a building, cells x0..x1-1 by y0..y1-1.
void box(Canvas& map, int x0, int y0, int x1, int y1) {
    map.hline(x0, x1, y0, kWall);
    map.hline(x0, x1, y1 - 1, kWall);
    map.vline(x0, y0, y1, kWall);
    map.vline(x1 - 1, y0, y1, kWall);
}

// Opens a doorway (cells x0..x1-1 by y0..y1-1) in a wall and keeps obstacles away from it.
void door(Canvas& map, int x0, int y0, int x1, int y1) {
    const int width = std::max(x1 - x0, y1 - y0);
    if (width < kDoorwayMinWidth) fail("a doorway is narrower than 4 cells");
    map.noteDoorway(width);
    map.fill(x0, y0, x1, y1, kGround);
    map.keepClear(x0 - kDoorwayMargin, y0 - kDoorwayMargin, x1 + kDoorwayMargin, y1 + kDoorwayMargin);
}

// The 15-bit linear congruential generator with a fixed seed: the same map on every run.
struct Random {
    uint32_t state = 20260;
    int next(int below) {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF) % below;
    }
};

bool canHoldObstacle(const Canvas& map, int x, int y) {
    if (x < 2 || y < 2 || x > kPlayable - 4 || y > kPlayable - 4) return false;
    if (map.at(x, y) != kGround || map.isKeptClear(x, y)) return false;
    if (map.distanceTo(x, y, isWall, kWallClearance) < kWallClearance) return false;
    if (map.distanceTo(x, y, isObstacle, kObstacleSpacing) < kObstacleSpacing) return false;
    if (map.distanceTo(x, y, isPatch, kPatchClearance) < kPatchClearance) return false;
    return true;
}

void placeObstacle(Canvas& map, int x, int y) {
    if (!canHoldObstacle(map, x, y)) {
        std::fprintf(stderr, "mapgen: obstacle at (%d, %d) breaks the placement rules\n", x, y);
        std::exit(1);
    }
    map.set(x, y, kObstacleMarker);
}

void startArea(Canvas& map) {
    // Ground that stays open: the corner of the first target and the first agent.
    map.keepClear(1, 1, 5, 5);
    map.keepClear(kFirstAgent.x - 3, kFirstAgent.y - 3, kFirstAgent.x + 4, kFirstAgent.y + 4);

    // Garden wall between the first agent and (0, 0): the first path walks around it.
    map.hline(0, 8, 11, kWall);
    map.keepClear(8, 9, 12, 14);

    // The hall: doorways west and south.
    box(map, 12, 3, 28, 14);
    door(map, 12, 6, 13, 11);
    door(map, 18, 13, 23, 14);

    // The two-room house: in from the north, through the partition, out to the east.
    box(map, 21, 18, 37, 28);
    map.vline(29, 19, 27, kWall);
    door(map, 23, 18, 27, 19);
    door(map, 29, 21, 30, 25);
    door(map, 36, 21, 37, 25);
}

void warehouseAndMaze(Canvas& map) {
    // Warehouse: a west hall and two east rooms.
    box(map, 44, 6, 78, 34);
    map.vline(56, 7, 33, kWall);
    map.hline(57, 77, 18, kWall);
    door(map, 44, 14, 45, 19);
    door(map, 58, 33, 63, 34);
    door(map, 77, 24, 78, 29);
    door(map, 56, 20, 57, 25);
    door(map, 64, 18, 69, 19);

    // Walled corridor from the warehouse's east door round the corner into the maze.
    map.hline(78, 96, 23, kWall);
    map.hline(78, 90, 29, kWall);
    map.vline(89, 29, 44, kWall);
    map.vline(95, 23, 44, kWall);
    map.keepClear(78, 24, 95, 44);

    // The serpentine block: walls hanging alternately from the north and south sides.
    box(map, 80, 44, 122, 86);
    map.vline(88, 45, 76, kWall);
    map.vline(98, 53, 85, kWall);
    map.vline(106, 45, 76, kWall);
    map.vline(114, 53, 85, kWall);
    door(map, 90, 44, 95, 45);
    door(map, 80, 60, 81, 65);
    door(map, 110, 85, 115, 86);
    map.keepClear(81, 74, 121, 78);  // the turns at the ends of the hanging walls
    map.keepClear(81, 45, 121, 55);
}

void countryside(Canvas& map) {
    // The watchtower in the north-east corner.
    box(map, 100, 4, 118, 18);
    door(map, 106, 17, 111, 18);
    door(map, 100, 9, 101, 13);

    // The courtyard in the south-west: an enclosure with a shed in one corner.
    box(map, 6, 82, 32, 100);
    door(map, 14, 82, 19, 83);
    door(map, 31, 88, 32, 93);
    map.hline(7, 15, 92, kWall);
    map.vline(15, 92, 99, kWall);
    door(map, 15, 95, 16, 99);
    map.keepClear(7, 90, 18, 99);

    // The hut.
    box(map, 20, 60, 34, 72);
    door(map, 33, 64, 34, 68);

    // Ruins: an L and a broken wall.
    map.hline(40, 53, 50, kWall);
    map.vline(40, 51, 60, kWall);
    map.hline(58, 64, 62, kWall);
    map.hline(68, 74, 62, kWall);
    map.keepClear(62, 60, 70, 65);

    // Patches the navigation keeps apart from the ground.
    map.fill(6, 40, 18, 52, 2);        // field
    map.ellipse(60, 100, 12, 8, 3);    // pond
    map.fill(94, 98, 112, 110, 2);     // marsh
    map.fill(100, 110, 116, 116, 2);
}

void border(Canvas& map) {
    map.vline(0, 0, kPlayable + 1, kWall);
    map.hline(0, kPlayable + 1, 0, kWall);
    map.vline(kPlayable, 0, kPlayable + 1, kWall);
    map.hline(0, kPlayable + 1, kPlayable, kWall);
}

void obstacles(Canvas& map) {
    // In the starting view: open ground, inside the hall and in both rooms of the house.
    const Cell handPlaced[] = {{6, 6}, {20, 8}, {33, 8}, {36, 3}, {15, 22}, {9, 24}, {25, 23}, {32, 23}};
    int placed = 0;
    for (const Cell c : handPlaced) {
        placeObstacle(map, c.x, c.y);
        ++placed;
    }
    Random random;
    for (int attempt = 0; attempt < kPlacementAttempts && placed < kObstacleCount; ++attempt) {
        const int x = random.next(kPlayable);
        const int y = random.next(kPlayable);
        // Outside the starting view only: the hand-placed ones already furnish it.
        if (x < kStartViewColumns + 2 && y < kStartViewRows + 2) continue;
        if (!canHoldObstacle(map, x, y)) continue;
        map.set(x, y, kObstacleMarker);
        ++placed;
    }
    if (placed != kObstacleCount) fail("could not place every obstacle");
}

void printPreview(const Canvas& map) {
    std::printf("Map preview, cells 0..127 (. ground  # wall  o obstacle  : value 2  ~ value 3):\n");
    for (int y = 0; y <= kPlayable; ++y) {
        std::string line;
        for (int x = 0; x <= kPlayable; ++x) {
            if (x == kFirstAgent.x && y == kFirstAgent.y) {
                line += 'A';
            } else {
                line += previewChar(map.at(x, y));
            }
        }
        std::printf("%s\n", line.c_str());
    }
}

void printStatistics(const Canvas& map) {
    int counts[256] = {};
    for (const uint8_t v : map.bytes()) ++counts[v];
    int inStartView = 0;
    for (int y = 0; y < kStartViewRows; ++y) {
        for (int x = 0; x < kStartViewColumns; ++x) inStartView += map.at(x, y) == kObstacleMarker;
    }
    std::printf("\nObstacles: %d (%d in the starting view); doorways: %d, the narrowest %d cells wide\n",
                kObstacleCount, inStartView, map.doorways(), map.narrowestDoorway());
    std::printf("Cells: ");
    for (int v = 0; v < 256; ++v) {
        if (counts[v] != 0) std::printf("value %d: %d  ", v, counts[v]);
    }
    std::printf("\n");

    // Reachability over what the agents can walk: ground and obstacle cells.
    const std::vector<uint8_t> reached = floodFill(map.bytes(), kCornerGround, isWalkable);
    int reachable = 0;
    int stranded = 0;
    for (int y = 0; y < kPlayable; ++y) {
        for (int x = 0; x < kPlayable; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * kSide + x;
            if (!isWalkable(map.bytes()[i])) continue;
            if (reached[i]) {
                ++reachable;
            } else {
                ++stranded;
            }
        }
    }
    const bool agentReached = reached[static_cast<std::size_t>(kFirstAgent.y) * kSide + kFirstAgent.x] != 0;
    std::printf("Walkable cells in 1..126 reachable from (1, 1): %d, unreachable: %d; first agent's cell %s\n",
                reachable, stranded, agentReached ? "reachable" : "NOT reachable");
    if (stranded != 0 || !agentReached) fail("walkable ground is cut off from the top-left corner");

    // What the navigation build will cover, after the set-up turns markers into value 1.
    std::vector<uint8_t> built = map.bytes();
    for (uint8_t& v : built) {
        if (v == kObstacleMarker) v = kObstacleAfterSetUp;
    }
    // Only markers in rows and columns 0..126 are turned into obstacles; none lie beyond.
    const std::vector<Rect> cover = skylineCover(built);
    int inserted = 0;
    for (const Rect& r : cover) {
        if (r.value != kGround) ++inserted;
    }
    std::printf("Rectangle cover: %zu rectangles, %d inserted (non-zero value); at most %d vertices "
                "(4 per inserted rectangle plus the map square's 8) of the 6,500 available\n",
                cover.size(), inserted, inserted * 4 + 8);
}

}  // namespace
}  // namespace mapgen

int main(int argc, char** argv) {
    using namespace mapgen;
    const char* output = argc > 1 ? argv[1] : "maptest.raw";
    Canvas map;
    startArea(map);
    warehouseAndMaze(map);
    countryside(map);
    border(map);
    obstacles(map);

    printPreview(map);
    printStatistics(map);

    std::ofstream file(output, std::ios::out | std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(map.bytes().data()), static_cast<std::streamsize>(map.bytes().size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "mapgen: cannot write \"%s\"\n", output);
        return 1;
    }
    std::printf("Wrote \"%s\" (%zu bytes)\n", output, map.bytes().size());
    return 0;
}
