#pragma once
// Small generated maps for the shortest planner's tests: a walled square, a maze, open
// ground with specks, rooms joined by narrow doors.
#include <cstdint>
#include <vector>

#include "tests/navigation/route_test_support.h"

namespace navtest {

// Everything outside a square of `side` cells at (8, 8) is wall, so that the reference's
// visibility graph stays small.
inline std::vector<uint8_t> walledSquare(int side) {
    std::vector<uint8_t> cells(kMapCells, 15);
    for (int y = 8; y < 8 + side; ++y)
        for (int x = 8; x < 8 + side; ++x) cells[y * kMapSide + x] = 0;
    return cells;
}
inline void setCell(std::vector<uint8_t>& cells, int x, int y, uint8_t v) { cells[y * kMapSide + x] = v; }

// A maze of corridors one or two cells wide: a depth-first maze on 2-cell-pitch nodes.
inline std::vector<uint8_t> mazeMap(uint32_t seed, int nodes) {
    std::vector<uint8_t> cells(kMapCells, 15);
    TestRandom rnd(seed);
    std::vector<int> seen(nodes * nodes, 0), stack{0};
    auto open = [&](int x, int y) { setCell(cells, 8 + x, 8 + y, 0); };
    seen[0] = 1;
    open(0, 0);
    while (!stack.empty()) {
        const int n = stack.back(), x = n % nodes, y = n / nodes;
        int options[4], count = 0;
        const int dirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        for (int d = 0; d < 4; ++d) {
            const int nx = x + dirs[d][0], ny = y + dirs[d][1];
            if (nx >= 0 && ny >= 0 && nx < nodes && ny < nodes && !seen[ny * nodes + nx]) options[count++] = d;
        }
        if (count == 0) {
            stack.pop_back();
            continue;
        }
        const int d = options[rnd.below(count)];
        const int nx = x + dirs[d][0], ny = y + dirs[d][1];
        open(2 * x + dirs[d][0], 2 * y + dirs[d][1]);
        open(2 * nx, 2 * ny);
        if (rnd.below(4) == 0) open(2 * nx + 1 - (nx == nodes - 1), 2 * ny);  // a wider spot now and then
        seen[ny * nodes + nx] = 1;
        stack.push_back(ny * nodes + nx);
    }
    return cells;
}

// Open ground strewn with single wall cells, a patch of type 3 and one of type 14.
inline std::vector<uint8_t> specksMap(uint32_t seed) {
    std::vector<uint8_t> cells = walledSquare(48);
    TestRandom rnd(seed);
    for (int i = 0; i < 160; ++i) setCell(cells, 8 + rnd.below(48), 8 + rnd.below(48), 15);
    for (int y = 20; y < 26; ++y)
        for (int x = 30; x < 38; ++x) setCell(cells, x, y, 3);
    setCell(cells, 12, 40, 14);
    return cells;
}

// Rooms in a row, each wall pierced by a door one cell wide at a random height.
inline std::vector<uint8_t> narrowDoorsMap(uint32_t seed) {
    std::vector<uint8_t> cells = walledSquare(48);
    TestRandom rnd(seed);
    for (int wall = 16; wall < 56; wall += 8) {
        for (int y = 8; y < 56; ++y) setCell(cells, wall, y, 15);
        setCell(cells, wall, 9 + rnd.below(46), 0);
    }
    return cells;
}

}  // namespace navtest
