#pragma once
// The world of steering_walls: the population, the agent grid, the wall map, the two mouse
// targets, the overlay flags, the random generator and the grid queries' scratch list,
// with the set-up and the population changes that the keys make. The program's run owns
// one.
#include <cstdint>
#include <memory>
#include <vector>

#include "programs/steering_walls/agent_grid.h"
#include "programs/small_kit/runtime_random.h"
#include "programs/steering_walls/wall_map.h"
#include "programs/steering_walls/walls_agent.h"

namespace steering_walls {

using namespace small_kit;  // the vectors, random draws and start-up block the small programs share

// Grid and map dimensions: the window's client area in 40-pixel grid cells.
inline constexpr uint32_t kGridColumns = 16;
inline constexpr uint32_t kGridRows = 12;
inline constexpr uint32_t kWorldWidth = 640;   // pixels
inline constexpr uint32_t kWorldHeight = 480;  // pixels

// Agents a single Up or Down release adds or removes.
inline constexpr int kAgentsPerKeyRelease = 5;

// Room reserved for candidate lists: the start population and some forty Up releases
// fit without the list ever growing during a query.
inline constexpr std::size_t kCandidateReserve = 256;

struct OverlayFlags {
    bool showNeighbours = false;  // Debug > Neighbours (40007): neighbour counts
    bool showGrid = false;        // Debug > Grid (40008): agent grid and occupancy
    bool showVectors = false;     // Debug > Vectors (40009): velocity, force, look-ahead box
};

// The population in creation order, which is also the order of update and drawing.
using AgentList = std::vector<std::unique_ptr<WallsAgent>>;

// A new world holds no agents, an empty 16 x 12 grid, the wall map, both targets at the
// origin, no overlay and the generator at its first value. Agents point to its targets
// and to the world itself: it stays where it was made.
struct WallsWorld {
    WallsWorld();
    WallsWorld(const WallsWorld&) = delete;
    WallsWorld& operator=(const WallsWorld&) = delete;

    AgentList agentList;
    AgentGrid agentGrid;
    WallMap wallMap;
    WallsAgent leftButtonTarget;   // arrivers' target; only its position changes
    WallsAgent rightButtonTarget;  // the leader's target; only its position changes
    OverlayFlags overlayFlags;
    RandomGenerator runtimeRandom;
    // Scratch list for grid queries (behaviours and the neighbour overlay); cleared by
    // each user, never shrunk, so queries allocate nothing.
    AgentRefs candidateScratch;
};

// Copies the prototype into the population and the grid of the world; returns the new agent.
WallsAgent& createAgent(WallsWorld& world, const WallsAgent& prototype);

// Into a fresh world, so that a second run repeats the first exactly: the 32 start
// agents, 16 obstacles, 6 arrivers, a leader, 9 followers.
bool setupWorld(WallsWorld& world);

// Each agent in list order: update, then move it in the grid from its old position.
void updateAll(WallsWorld& world);

// Up released: five arrivers at (100..220, 300) heading for leftButtonTarget.
void addArrivers(WallsWorld& world);
// Down released: five passes, each removing the newest agent unless it is static.
void removeNewestAgents(WallsWorld& world);

}  // namespace steering_walls
