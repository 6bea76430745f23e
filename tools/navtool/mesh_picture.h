#pragma once
// Draws a built navigation mesh over its map: triangles filled by type, their edges,
// and the outlines of the map's wall cells.
#include <cstdint>
#include <string>
#include <vector>

#include "navigation/nav_mesh.h"

namespace navtool {

// Pixels per map cell of the picture.
constexpr int kPixelsPerCell = 4;
// Cells shown beyond each side of the map, so the map border stays visible.
constexpr int kMarginCells = 8;

// A path drawn over the mesh: its start, then its waypoints, in world units.
using Polyline = std::vector<nav::PathPoint>;

// Writes the picture as PNG, with the given paths drawn on top; false (with a message on
// stderr) when it cannot be written.
bool writeMeshPicture(const nav::NavMesh& mesh, const uint8_t* cells, const std::vector<Polyline>& paths,
                      const std::string& path);

}  // namespace navtool
