#pragma once
// Path queries against the built mesh, printed one JSON object per line.
#include <array>
#include <cstdio>
#include <vector>

#include "tools/navtool/mesh_picture.h"
#include "tools/navtool/planners.h"

namespace navtool {

// Reads the queries of a file: one "X0 Y0 X1 Y1" per line; blank lines and lines starting
// with '#' are skipped, a malformed line is reported on stderr and skipped. False when the
// file cannot be read.
bool readQueryFile(const char* path, std::vector<std::array<int, 4>>& queries);

// Reads "X0 Y0 X1 Y1" (whole numbers, nothing else but blanks); false when malformed.
bool parseQuery(const char* text, int values[4]);

// Runs one agent path query (whole world units) with the given planner and prints its
// JSON line to out. When
// paths is not null, the start and the waypoints of a found path are added to it.
void printPathQuery(std::FILE* out, steering::World& world, NavigationMode mode, int fromX, int fromY, int toX, int toY, std::vector<Polyline>* paths);

// Runs every query of a file (one "X0 Y0 X1 Y1" per line; blank lines and lines starting
// with '#' are skipped; a malformed line is reported on stderr and skipped). Returns the
// number of queries run, or -1 when the file cannot be read.
int runQueryFile(std::FILE* out, steering::World& world, NavigationMode mode, const char* path, std::vector<Polyline>* paths);

}  // namespace navtool
