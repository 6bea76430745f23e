#pragma once
#include <string>

#include "world/map_file.h"

namespace steering {

// The map file setupWorld reads: "maptest.raw" in the working directory unless the
// program was given another (steering --map FILE).
extern std::string mapFilePath;
// The running map as its file holds it and as prepared; an editor changes authored and
// re-installs it, a save writes authored back.
extern PreparedMap worldMap;

// Puts the program's process-wide state back as it is when the process starts: no agents
// or obstacles, the generator at its first value, the starting view, no overlay, edit mode
// off with no strokes, the Insert point at the origin. The map file path is kept.
void resetWorld();

// From the reset state: loads the map, builds the neighbour grid, the obstacles and the
// navigation, adds the first agent and gives the population its first target, so that a
// second run in one process (the headless driver, the tests) repeats the first exactly.
// Always returns true.
bool setupWorld();

}  // namespace steering
