#pragma once
// Helpers shared by the path query tests: small meshes written straight into the store
// (independent of the area build), grid maps, a same-type flood fill, and an exact check
// that a segment stays out of the interior of every cell of another type.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "navigation/nav_mesh.h"
#include "navigation/navigation.h"
#include "navigation/shortest_path.h"
#include "tests/navigation/test_store.h"
#include "world/grid_map.h"

namespace navtest {

constexpr int kMapSide = 256;
constexpr int kMapCells = kMapSide * kMapSide;
constexpr int kWorldPerCell = 256;

// The link rule the programs install: connected when the low four bits agree.
inline int sameLowBits(uint8_t from, uint8_t to) { return steering::sameCellType(from, to); }

// The shortest planner's search state the navigation tests share (too large for a stack).
inline nav::ShortestSearchState& testShortestState() {
    static const std::unique_ptr<nav::ShortestSearchState> state = std::make_unique<nav::ShortestSearchState>();
    return *state;
}

// A shortest-path query on testMesh, with its link rule and clearance tables.
inline nav::ShortestQuery testShortestQuery(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY, int32_t clearance) {
    nav::ShortestQuery q;
    q.fromX = fromX;
    q.fromY = fromY;
    q.toX = toX;
    q.toY = toY;
    q.clearance = clearance;
    q.linkRule = testMesh.linkRule;
    q.passTableNumber = testMesh.clearanceLevel;
    return q;
}

// Builds cells into testMesh with the clearance tables the shortest planner needs; false when
// the build refuses the map.
inline bool buildWithClearance(const std::vector<uint8_t>& cells, nav::CellLinkRule rule = sameLowBits) {
    testMesh.linkRule = rule;
    testMesh.clearanceLevel = 1;
    return nav::buildNavigation(testMesh, cells.data());
}

// A deterministic 31-bit linear congruential generator for test inputs.
struct TestRandom {
    uint32_t state;
    explicit TestRandom(uint32_t seed) : state(seed) {}
    uint32_t next() {
        state = state * 1103515245u + 12345u;
        return (state >> 1) & 0x7FFFFFFF;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
};

// ---- Hand-made grid meshes --------------------------------------------------------------

// A mesh of columns x rows squares of `size` cells, each split by its top-left to
// bottom-right diagonal into two triangles carrying the square's type. No bounding square
// and no border ring: only for queries whose points lie inside the grid.
class GridMesh {
public:
    GridMesh(int columns, int rows, int size) : columns_(columns), rows_(rows), size_(size) {}

    template <typename TypeOf>
    void build(TypeOf typeOf) {
        nav::NavMesh& m = testMesh;
        nav::navReset(m);
        m.triangleHighWater = m.triangleLive = 0;
        m.pointHighWater = m.pointLive = 0;
        m.boundaryRingLength = 0;
        for (int32_t& h : m.hintGrid) h = 0;
        for (int r = 0; r <= rows_; ++r) {
            for (int c = 0; c <= columns_; ++c) {
                const int p = nav::allocatePoint(m);
                m.points[p] = {static_cast<int16_t>(c * size_), static_cast<int16_t>(r * size_)};
            }
        }
        std::map<std::pair<int, int>, std::pair<int, int>> edges;  // directed edge -> (triangle, slot)
        for (int r = 0; r < rows_; ++r) {
            for (int c = 0; c < columns_; ++c) {
                const int a = point(c, r), b = point(c + 1, r), cc = point(c + 1, r + 1), d = point(c, r + 1);
                const uint8_t type = typeOf(c, r);
                add_triangle(a, cc, b, type, edges);  // upper-right half
                add_triangle(a, d, cc, type, edges);  // lower-left half
            }
        }
        for (const auto& [edge, at] : edges) {
            const auto back = edges.find({edge.second, edge.first});
            m.triangles[at.first].neighbour[at.second] =
                static_cast<int16_t>(back == edges.end() ? nav::kNoNeighbour : back->second.first);
        }
    }

    int point(int c, int r) const { return r * (columns_ + 1) + c; }
    // Upper-right (half 0) or lower-left (half 1) triangle of square (c, r).
    int triangle(int c, int r, int half) const { return 2 * (r * columns_ + c) + half; }
    // Centre of square (c, r) in world units.
    nav::PathPoint centre(int c, int r) const {
        return {(2 * c + 1) * size_ * kWorldPerCell / 2, (2 * r + 1) * size_ * kWorldPerCell / 2};
    }

private:
    void add_triangle(int a, int b, int c, uint8_t type, std::map<std::pair<int, int>, std::pair<int, int>>& edges) {
        nav::NavMesh& m = testMesh;
        const int t = nav::allocateTriangle(m);
        nav::NavTriangle& tri = m.triangles[t];
        tri = nav::NavTriangle{{static_cast<uint16_t>(a), static_cast<uint16_t>(b), static_cast<uint16_t>(c)},
                               {-1, -1, -1},
                               type,
                               7,
                               0};
        nav::updateClearanceClasses(m, t);
        for (int i = 0; i < 3; ++i) edges[{tri.vertex[i], tri.vertex[nav::next(i)]}] = {t, i};
    }

    int columns_, rows_, size_;
};

// ---- Grid maps ------------------------------------------------------------------------

// Cell type lookup of a 256 x 256 map; cells outside read as walls.
inline int cellType(const std::vector<uint8_t>& cells, int x, int y) {
    if (x < 0 || y < 0 || x >= kMapSide || y >= kMapSide) return 15;
    return cells[static_cast<size_t>(y) * kMapSide + x] & 15;
}

// Labels of the 4-connected components of cells with equal low four bits; walls get -1.
inline std::vector<int> componentLabels(const std::vector<uint8_t>& cells) {
    std::vector<int> label(kMapCells, -2);
    std::vector<int> stack;
    int next = 0;
    for (int start = 0; start < kMapCells; ++start) {
        if (label[start] != -2) continue;
        const int type = cells[start] & 15;
        if (type == 15) {
            label[start] = -1;
            continue;
        }
        label[start] = next;
        stack.assign(1, start);
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            const int x = i % kMapSide, y = i / kMapSide;
            const int around[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
            for (const auto& n : around) {
                if (n[0] < 0 || n[1] < 0 || n[0] >= kMapSide || n[1] >= kMapSide) continue;
                const int j = n[1] * kMapSide + n[0];
                if (label[j] == -2 && (cells[j] & 15) == type) {
                    label[j] = next;
                    stack.push_back(j);
                }
            }
        }
        ++next;
    }
    return label;
}

// The cells that belong to some component (every cell but walls), in index order.
inline std::vector<int> walkableCells(const std::vector<int>& label) {
    std::vector<int> walkable;
    for (int i = 0; i < kMapCells; ++i)
        if (label[i] >= 0) walkable.push_back(i);
    return walkable;
}

// How deep (world units) the segment p-q reaches into the interior of a cell whose type
// is not `type`: 0 when it only touches such cells' sides or corners. Exact up to double
// rounding: the segment is cut at every grid line it crosses; each piece lies in one cell,
// and the deepest of a few points along it (the depth is concave along a piece) decides.
inline double segmentForeignDepth(const std::vector<uint8_t>& cells, nav::PathPoint p, nav::PathPoint q, int type) {
    const double px = p.x, py = p.y, dx = static_cast<double>(q.x) - p.x, dy = static_cast<double>(q.y) - p.y;
    std::vector<double> cuts{0.0, 1.0};
    auto addCuts = [&](double from, double delta) {
        if (delta == 0) return;
        const double lo = std::min(from, from + delta), hi = std::max(from, from + delta);
        for (double line = std::ceil(lo / kWorldPerCell) * kWorldPerCell; line <= hi; line += kWorldPerCell) {
            const double t = (line - from) / delta;
            if (t > 0 && t < 1) cuts.push_back(t);
        }
    };
    addCuts(px, dx);
    addCuts(py, dy);
    std::sort(cuts.begin(), cuts.end());
    double deepest = 0;
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        if (cuts[i + 1] - cuts[i] < 1e-12) continue;
        const double t = (cuts[i] + cuts[i + 1]) / 2;
        const double mx = px + t * dx, my = py + t * dy;
        const double fx = std::floor(mx / kWorldPerCell), fy = std::floor(my / kWorldPerCell);
        const int cx = static_cast<int>(fx), cy = static_cast<int>(fy);
        if (dx == 0 && mx == fx * kWorldPerCell) {
            // Running along a vertical grid line: inside a foreign area only when both sides are.
            if (cellType(cells, cx - 1, cy) != type && cellType(cells, cx, cy) != type) return kWorldPerCell;
            continue;
        }
        if (dy == 0 && my == fy * kWorldPerCell) {
            if (cellType(cells, cx, cy - 1) != type && cellType(cells, cx, cy) != type) return kWorldPerCell;
            continue;
        }
        if (cellType(cells, cx, cy) == type) continue;
        const double x0 = fx * kWorldPerCell, y0 = fy * kWorldPerCell;
        for (int k = 0; k <= 16; ++k) {
            const double s = cuts[i] + (cuts[i + 1] - cuts[i]) * k / 16.0;
            const double sx = px + s * dx, sy = py + s * dy;
            const double depth = std::min({sx - x0, x0 + kWorldPerCell - sx, sy - y0, y0 + kWorldPerCell - sy});
            deepest = std::max(deepest, depth);
        }
    }
    return deepest;
}

// How deep (world units) a point lies inside a cell whose type is not `type`; 0 on the
// border of such a cell.
inline double pointForeignDepth(const std::vector<uint8_t>& cells, nav::PathPoint p, int type) {
    const int cx = p.x >> 8, cy = p.y >> 8;
    if (cellType(cells, cx, cy) == type) return 0;
    const int fx = p.x - cx * kWorldPerCell, fy = p.y - cy * kWorldPerCell;
    return std::min({fx, kWorldPerCell - fx, fy, kWorldPerCell - fy});
}

// Gate ends are cut with a direction of 8 fraction bits, so a cut end may sit a few world
// units off its portal; a leg that grazes a corner can reach that far into the cell.
constexpr double kGrazeTolerance = 16.0;

inline bool segmentEntersForeignCell(const std::vector<uint8_t>& cells, nav::PathPoint p, nav::PathPoint q,
                                     int type) {
    return segmentForeignDepth(cells, p, q, type) > kGrazeTolerance;
}

// Map file of the steering program, as committed in resources/.
inline std::vector<uint8_t> loadMapTest() {
    std::vector<uint8_t> cells(kMapCells, 0);
    std::FILE* f = std::fopen(STEERING_RESOURCE_DIR "/maptest.raw", "rb");
    if (f == nullptr) return {};
    const size_t got = std::fread(cells.data(), 1, cells.size(), f);
    std::fclose(f);
    if (got != cells.size()) return {};
    return cells;
}

// A generated map: open ground of type 0 with wall rooms that have doorways, scattered
// wall blocks, patches of types 3 and 14, and a walled pocket. Deterministic per seed.
inline std::vector<uint8_t> generatedMap(uint32_t seed) {
    std::vector<uint8_t> cells(kMapCells, 0);
    TestRandom rnd(seed);
    auto fill = [&](int x0, int y0, int w, int h, uint8_t v) {
        for (int y = std::max(0, y0); y < std::min(kMapSide, y0 + h); ++y)
            for (int x = std::max(0, x0); x < std::min(kMapSide, x0 + w); ++x) cells[y * kMapSide + x] = v;
    };
    for (int i = 0; i < 12; ++i) {  // rooms: wall outline with one or two doorways
        const int x = rnd.below(220), y = rnd.below(220), w = 8 + rnd.below(28), h = 8 + rnd.below(28);
        fill(x, y, w, 1, 15);
        fill(x, y + h - 1, w, 1, 15);
        fill(x, y, 1, h, 15);
        fill(x + w - 1, y, 1, h, 15);
        fill(x + 2 + rnd.below(w - 5), y, 2 + rnd.below(2), 1, 0);
        if (rnd.below(2)) fill(x, y + 2 + rnd.below(h - 5), 1, 2, 0);
    }
    for (int i = 0; i < 40; ++i) fill(rnd.below(250), rnd.below(250), 1 + rnd.below(6), 1 + rnd.below(6), 15);
    for (int i = 0; i < 8; ++i) fill(rnd.below(240), rnd.below(240), 3 + rnd.below(14), 3 + rnd.below(14), 3);
    for (int i = 0; i < 6; ++i) fill(rnd.below(250), rnd.below(250), 1 + rnd.below(3), 1 + rnd.below(3), 14);
    for (int i = 0; i < 5; ++i) fill(rnd.below(240), rnd.below(240), 2 + rnd.below(10), 2 + rnd.below(10),
                                     static_cast<uint8_t>(16 + rnd.below(4) * 16));  // type 0, other byte
    return cells;
}

}  // namespace navtest
