#pragma once
// Point location for path queries from a per-build table of one triangle per map cell: a
// query end that lies strictly inside its cell's triangle is answered from the table with
// one containment test; any other end (on an edge or a vertex, off the map, or in a cell
// whose triangle does not hold it) is located by the mesh walk.
#include <cstdint>

#include "navigation/nav_mesh.h"

namespace nav {

// The cell table of the mesh as built: entry y * kCellTableSide + x is a live triangle whose
// closed area holds the centre of cell (x, y), or -1. Made again when the mesh was rebuilt
// since it was last made.
const int16_t* cellTriangles(NavMesh& mesh);

// The triangle locateForQuery answers for (x, y), world units, with the walk's hints left
// as locateForQuery leaves them.
int locateQueryEnd(NavMesh& mesh, int32_t x, int32_t y);

}  // namespace nav
