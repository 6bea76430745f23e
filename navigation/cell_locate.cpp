// The cell table: for each triangle, the cells whose centres its closed area holds, found
// row by row from the three edges' half-planes.
#include "navigation/cell_locate.h"

#include <algorithm>
#include <iterator>

#include "navigation/triangulation.h"

namespace nav {

namespace {

static_assert(kMaxTriangles <= INT16_MAX, "the cell table holds triangle indices as int16_t");

// a / b rounded toward minus infinity and toward plus infinity (b != 0).
int64_t floorDivide(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}
int64_t ceilDivide(int64_t a, int64_t b) { return -floorDivide(-a, b); }

// (v - u) x (p - u): not positive while p lies on the inner side of the directed edge u -> v
// of a triangle (or on it).
int64_t edgeCross(PathPoint u, PathPoint v, int64_t px, int64_t py) {
    return (int64_t{v.x} - u.x) * (py - u.y) - (int64_t{v.y} - u.y) * (px - u.x);
}

void fillCellTriangles(NavMesh& mesh) {
    std::fill(std::begin(mesh.cellTriangle), std::end(mesh.cellTriangle), int16_t{-1});
    constexpr int64_t last = kCellTableSide - 1;
    for (int t = 0; t < mesh.triangleHighWater; ++t) {
        if (!isLive(mesh.triangles[t])) continue;
        const PathPoint p[3] = {vertexWorld(mesh, t, 0), vertexWorld(mesh, t, 1), vertexWorld(mesh, t, 2)};
        const int64_t minY = std::min({p[0].y, p[1].y, p[2].y}), maxY = std::max({p[0].y, p[1].y, p[2].y});
        // Rows whose centre line (y * 256 + 128) meets the triangle's height.
        const int64_t y0 = std::max<int64_t>(0, ceilDivide(minY - 128, 256));
        const int64_t y1 = std::min<int64_t>(last, floorDivide(maxY - 128, 256));
        for (int64_t y = y0; y <= y1; ++y) {
            const int64_t cy = y * 256 + 128;
            int64_t lo = 0, hi = last;
            for (int k = 0; k < 3 && lo <= hi; ++k) {
                const PathPoint u = p[k], v = p[next(k)];
                // At the centre of cell x the cross is n - d * x, with d = 256 (v.y - u.y).
                const int64_t n = edgeCross(u, v, 128, cy);
                const int64_t d = int64_t{256} * (int64_t{v.y} - u.y);
                if (d == 0) {
                    continue;  // a level edge bounds the rows taken: every one lies on its side
                } else if (d > 0) {
                    lo = std::max(lo, ceilDivide(n, d));
                } else {
                    hi = std::min(hi, floorDivide(n, d));
                }
            }
            for (int64_t x = lo; x <= hi; ++x) mesh.cellTriangle[y * kCellTableSide + x] = static_cast<int16_t>(t);
        }
    }
}

}  // namespace

const int16_t* cellTriangles(NavMesh& mesh) {
    if (!mesh.cellTriangleReady || mesh.cellTriangleBuild != mesh.buildSerial) {
        fillCellTriangles(mesh);
        mesh.cellTriangleBuild = mesh.buildSerial;
        mesh.cellTriangleReady = true;
    }
    return mesh.cellTriangle;
}

int locateQueryEnd(NavMesh& mesh, int32_t x, int32_t y) {
    constexpr int32_t side = kCellTableSide * 256;
    if (x >= 0 && y >= 0 && x < side && y < side) {
        const int t = cellTriangles(mesh)[(y >> 8) * kCellTableSide + (x >> 8)];
        if (t >= 0 && t < mesh.triangleHighWater && isLive(mesh.triangles[t])) {
            const PathPoint a = vertexWorld(mesh, t, 0), b = vertexWorld(mesh, t, 1), c = vertexWorld(mesh, t, 2);
            // Strictly inside: no other triangle holds the point, and there is no tie to break.
            if (edgeCross(a, b, x, y) < 0 && edgeCross(b, c, x, y) < 0 && edgeCross(c, a, x, y) < 0) {
                // The walk would have left t as the hint of the point's block. Later walks
                // start there, and on an edge their answer can depend on where they start.
                mesh.hintGrid[(y >> 14) * kHintBlocksPerSide + (x >> 14)] = t;
                ++mesh.cellTriangleAnswers;
                return t;
            }
        }
    }
    return locateForQuery(mesh, x, y);
}

}  // namespace nav
