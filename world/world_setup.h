#pragma once
namespace steering {

// Loads the map, builds the neighbour grid, the obstacles and the navigation, adds the
// first agent and gives the population its first target. Always returns true.
bool setupWorld();

// Turns every obstacle marker (type 14) of rows and columns 0..126 into a round obstacle
// of radius 140 at the cell's centre and rewrites the cell's byte to 1. Part of setupWorld.
void extractObstacles();

}  // namespace steering
