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

// Loads the map, builds the neighbour grid, the obstacles and the navigation, adds the
// first agent and gives the population its first target. Always returns true.
bool setupWorld();

}  // namespace steering
