#pragma once
// Turns the grid map into the navigation triangulation: a skyline cover of the map by
// rectangles of one cell value, each inserted with its type, and a local flip pass that
// shortens diagonals inside areas of one type.
#include <cstdint>

#include "navigation/nav_mesh.h"

namespace nav {

constexpr int kMapCells = 256;  // map side in cells

struct CoverRect {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // cells, x1/y1 exclusive
    uint8_t value = 0;                         // cell byte
};

// Called for every rectangle of the cover, in cover order; returning false stops the cover.
using CoverVisitor = bool (*)(const CoverRect& rect, void* context);

// Skyline cover of cells [x0, x1) x [y0, y1) of a 256 x 256 map (0 <= x0 < x1 <= 256,
// likewise y); skyline holds 256 entries of scratch. visit may be null. Returns the
// number of rectangles reported.
int coverRectangles(int32_t* skyline, const uint8_t* cells, int x0, int y0, int x1, int y1, CoverVisitor visit,
                     void* context);

// Builds the mesh for a map rectangle; only the whole map is supported (a rectangle that
// comes within one cell of the border is widened to it, any other is ignored with false).
// Returns false when the build failed (a line on stderr names the table).
bool buildArea(NavMesh& mesh, const uint8_t* cells, int x0, int y0, int x1, int y1);

// Inserts a rectangle (cells) and gives the triangles inside it the value as type.
bool insertRectangle(NavMesh& mesh, int x0, int y0, int x1, int y1, uint8_t value);

// Flip pass seeded at the rectangle's corners; returns the number of flips.
int improveAround(NavMesh& mesh, int x0, int y0, int x1, int y1);

// Walks the border of the triangulation into boundaryRing. False when the ring did not
// close within its capacity.
bool rebuildBoundaryRing(NavMesh& mesh);

}  // namespace nav
