#pragma once
// Places round a shared target. In the shortest-paths mode an agent that the crowd round its
// target holds back does not stop where it stands: it claims the free cell nearest the
// target by walking distance (cells of the target's type, four-neighbour steps, ties in the
// order of the search: up, left, right, down) that it fits (kept the two radii and two units
// from other places, so that agents standing at them do not touch, and 3/4 of its radius
// from other ground) and walks there; a claimed cell is no other agent's aim. The target's
// ground is searched before any door out of it: a room fills before anyone gets a place
// beyond its doors. A crowd round a full room leaves its way in open: no place is in a
// door, no agent standing at its place reaches into one, and beyond a door (seen from the
// target) its approach stays clear as well: a place there keeps its radius and half a cell
// off the door's cells. A place in the target's own cell is the target itself, elsewhere the cell's centre.
// The agent is done when it stands at its place. Claims are released when the agent
// gets another target, gives up its place or leaves the population. The claims and the
// search's working arrays belong to the world (World::arrivalPlaces): a fresh world has
// none.
#include <array>
#include <cstdint>

#include "steering/agent.h"
#include "world/fixed_math.h"

namespace steering {

struct World;

// Cells searched for places: the agents' part of the map.
constexpr int kPlaceSide = 128;
// Walking steps (cells) the search goes from the target before it gives up.
constexpr int kPlaceSearchSteps = 96;
constexpr int kPlaceCells = kPlaceSide * kPlaceSide;

// A world's claims and the place search's working arrays, made with the world (some 290 KB),
// so claiming allocates nothing.
struct ArrivalPlaces {
    std::array<const Agent*, kPlaceCells> owner{};
    std::array<uint32_t, kPlaceCells> seen{};   // search stamp of the last visit
    std::array<uint16_t, kPlaceCells> steps{};  // walking steps from the target
    std::array<int32_t, kPlaceCells> queue{};
    std::array<uint32_t, kPlaceCells> doorSeen{};  // search stamp of the cell's door test
    std::array<uint8_t, kPlaceCells> door{};       // that test's answer
    uint32_t stamp = 0;
};

// The cell holding a whole-unit point, rounding toward minus infinity; -1 when the point is
// outside cells 0..kPlaceSide-1 of either axis.
int placeCellOf(int x, int y);

// Claims for the agent the free cell nearest (by walking distance) to target, among the
// cells of the target cell's type reachable from it; releases the agent's old place first.
// The agent's place then is that cell's centre. False (no place) when the target's cell is
// outside the searched cells or not walkable, or no free cell lies within
// kPlaceSearchSteps, or the agent belongs to no world. The claim is in the agent's world.
bool claimPlace(Agent& agent, FixedVec target);

// Settling. The crowd round a full room jostles agents one cell or less from their places
// without ever letting them stand still there. An agent walking to its place that has not
// come nearer it (by an eighth of its radius past its best) for kPlaceStallSteps steps
// settles: within one and a half radii of its place (the distance a done agent may be
// pushed and stay done) and not in a door, it has arrived; within kPlaceNearRadii radii, it
// takes the free cell nearest the target among those next to its own (its own included),
// or keeps its place when none fits. Then the count starts again from where it stands.
// Off the last waypoint, an agent that has come no nearer than ever for kPlaceRoomWindows
// such windows in a row, standing in a free cell of the target's own room (reached from the
// target through no door) and in no door, while its place lies beyond the room's doors,
// stays: the room was full when it claimed and the crowd in it keeps it in. The cell it
// stands in becomes its place (the point where it stands).
constexpr int kPlaceStallSteps = 45;
constexpr int kPlaceProgressShare = 8;  // progress: nearer by radius / this
constexpr int kPlaceNearRadii = 3;
constexpr int kPlaceRoomWindows = 3;

enum class Settling { Walking, Arrived, Moved };

// Counts one step of the agent toward its place round target (a step of an agent without a
// place counts nothing) and says what it does: walks on, has arrived where it stands, or
// has a new place (placeCell and placePoint changed).
Settling settleNearPlace(Agent& agent, FixedVec target, bool lastWaypoint = true);

// Gives the agent's claimed cell back (nothing when it has none).
void releasePlace(Agent& agent);

// The agent that claimed cell (column, row) in the world; null when free or outside the
// searched cells.
const Agent* placeOwner(const World& world, int column, int row);

// Whether the cell holding point (whole units) is a door of the ground it lies on: at most
// 4 cells across one axis, with wider ground within 3 cells on both sides along the other.
// False outside the searched cells and in walls.
bool inDoor(const World& world, int x, int y);

// Forgets every claim of the world.
void clearPlaces(World& world);

}  // namespace steering
