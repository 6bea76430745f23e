#pragma once
namespace steering {

// Loads the map, builds the neighbour grid, the obstacles and the navigation, adds the
// first agent and gives the population its first target. Always returns true.
bool setupWorld();

}  // namespace steering
