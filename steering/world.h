#pragma once
// One simulation: its terrain (map, obstacles, neighbour grid, navigation), its agents and
// their random generator, the navigation mode, the planners' working state and the places
// claimed round targets. The program (or a test, a tool, a benchmark) makes one with
// makeWorld and passes it by reference; nothing in the simulation lives anywhere else, so several worlds run side by side, on
// several threads, without touching each other.
#include <memory>

#include "navigation/navigation.h"
#include "navigation/shortest_path.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "steering/arrival_places.h"
#include "steering/navigation_mode.h"
#include "steering/neighbour_scratch.h"
#include "steering/path_following.h"
#include "world/random_generator.h"
#include "world/terrain.h"
#include "world/world_navigation.h"

namespace steering {

struct World : Terrain {
    World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    AgentList agentList{*this};
    RandomGenerator agentRandom;  // draws the agents' radii and speeds
    NavigationMode navigationMode = NavigationMode::Classic;
    // Where the classic mode's requests go: the terrain's planner unless a test replaces it.
    PathRequestFunction pathRequest = &requestWorldPath;
    nav::PathResult pathResult;  // the one answer buffer of the planners, read right after each request
    // The shortest planner's working state: some 12 MB, made with the world, so no query
    // and no frame ever allocates it.
    std::unique_ptr<nav::ShortestSearchState> shortestSearch;
    NeighbourScratch neighbourScratch;
    // The Shortest mode's places claimed round targets and the place search's arrays.
    ArrivalPlaces arrivalPlaces;
    bool missingInputReported = false;  // a behaviour without its input said so once
};

// A fresh world: no map cells (initialise gridMap and neighbourGrid before use), no agents,
// no claimed places, the generator at its first value, the Classic mode. On the heap: its
// tables take megabytes.
std::unique_ptr<World> makeWorld();

}  // namespace steering
