#pragma once
// The operations that search and change the triangulation in a NavMesh: point location,
// vertex and edge lookup, vertex insertion, the edge flip and segment insertion. All
// orientation decisions use the exact cross sign; vertices are in cells, located points
// in world units (1/256 cell).
#include <cstdint>

#include "navigation/nav_mesh.h"

namespace nav {

// Triangle containing P (world units); on an edge or a vertex, one of the triangles
// touching it. Updates the hint of P's block. A point beyond the bounding square gives a
// border triangle (type 15).
int locateTriangle(NavMesh& mesh, int32_t px, int32_t py);

// As locateTriangle, but a point on an edge or a vertex belongs to the triangle on the
// side facing (kTieBreakX, kTieBreakY). For path end points.
int locateForQuery(NavMesh& mesh, int32_t px, int32_t py);

// Triangle and slot whose vertex is the cell point (x, y).
bool findVertex(NavMesh& mesh, int x, int y, int& triangle, int& slot);

// Triangle and slot i whose edge i starts at vertex A and points exactly toward B.
bool findEdgeToward(NavMesh& mesh, int ax, int ay, int bx, int by, int& triangle, int& slot);

// Makes (x, y) a vertex (cells). Returns false only when a table is full (the build has
// then been marked failed and nothing was changed).
bool insertPoint(NavMesh& mesh, int x, int y);

// Replaces edge i of triangle t by the other diagonal of the two triangles.
// Returns 1 when flipped, 0 when refused (no neighbour, fixed edge, not strictly convex).
int flipEdge(NavMesh& mesh, int t, int i);

// Joins the existing vertices A and B (cells) by a chain of edges along the segment.
// Returns false when the mesh could not be made to hold the segment (the build is then
// marked failed).
bool insertSegment(NavMesh& mesh, int ax, int ay, int bx, int by);

// |cross product of the edge vectors| in cells squared: twice the triangle's area.
int64_t twiceArea(const NavMesh& mesh, int t);

}  // namespace nav
