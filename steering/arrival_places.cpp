// Places round a shared target: a breadth-first search over the cells from the target's
// cell, the first free cell the agent fits in is its place. The claim table and the
// search's working arrays are the world's, made with it; claiming allocates nothing.
#include "steering/arrival_places.h"

#include <array>
#include <utility>

#include "steering/world.h"
#include "world/grid_map.h"

namespace steering {

namespace {

constexpr int kCellUnits = 256;
// An agent fits a place when no unwalkable cell comes nearer the place's point than three
// quarters of its radius, and no other claimed place's point nearer than the two radii and
// kPlaceGapUnits: agents standing at their places do not touch, so nothing pushes them
// off (separation pushes discs closer than the two radii and one unit).
constexpr int64_t kWallShareNum = 3, kWallShareDen = 4;
constexpr int64_t kPlaceGapUnits = 2;
// No place is in a door, so that agents standing round a full room leave its way open.
constexpr int kDoorWidth = 4;  // cells across
constexpr int kDoorDepth = 3;  // cells along to the wider ground on each side: walls up to 3 thick
// Beyond a door a place keeps this much more than its radius off the door's cells.
constexpr int64_t kApproachUnits = kCellUnits / 2;
constexpr Fixed kNoDistance = 0x7FFFFFFF;
// Door cells held back by one search; more are searched in their turn.
constexpr int kDeferredDoors = 64;

int lowType(const GridMap& map, int column, int row) {
    return map.cellAt(static_cast<uint32_t>(column), static_cast<uint32_t>(row)) & 15;
}

bool walkable(const GridMap& map, int column, int row, int type) {
    if (column < 0 || row < 0 || column >= kPlaceSide || row >= kPlaceSide) return false;
    return lowType(map, column, row) == type;
}

int64_t squared(int64_t v) { return v * v; }

// Squared distance from (x, y) to the box of cell (column, row), whole units.
int64_t squaredToCell(int64_t x, int64_t y, int column, int row) {
    const int64_t left = int64_t{column} * kCellUnits, top = int64_t{row} * kCellUnits;
    const int64_t dx = x < left ? left - x : (x > left + kCellUnits ? x - left - kCellUnits : 0);
    const int64_t dy = y < top ? top - y : (y > top + kCellUnits ? y - top - kCellUnits : 0);
    return dx * dx + dy * dy;
}

// Open cells in a line through (column, row) along (dc, dr), both ways, counting the cell,
// up to kDoorWidth + 1.
int runThrough(const GridMap& map, int column, int row, int dc, int dr, int type) {
    int run = 1;
    for (int sign = -1; sign <= 1; sign += 2) {
        for (int k = 1; k <= kDoorWidth && run <= kDoorWidth; ++k) {
            if (!walkable(map, column + sign * k * dc, row + sign * k * dr, type)) break;
            ++run;
        }
    }
    return run;
}

// A door: at most kDoorWidth cells wide across one axis, with wider ground within
// kDoorDepth cells on both sides along the other. A corridor's inside is no door.
bool isDoor(const GridMap& map, int column, int row, int type) {
    for (int axis = 0; axis < 2; ++axis) {
        const int dc = axis == 0 ? 0 : 1, dr = axis == 0 ? 1 : 0;  // across: (dc, dr); along: (dr, dc)
        if (runThrough(map, column, row, dc, dr, type) > kDoorWidth) continue;
        bool opens[2] = {false, false};
        for (int side = 0; side < 2; ++side) {
            const int sign = side == 0 ? -1 : 1;
            for (int k = 1; k <= kDoorDepth; ++k) {
                const int c = column + sign * k * dr, r = row + sign * k * dc;
                if (!walkable(map, c, r, type)) break;
                if (runThrough(map, c, r, dc, dr, type) > kDoorWidth) {
                    opens[side] = true;
                    break;
                }
            }
        }
        if (opens[0] && opens[1]) return true;
    }
    return false;
}

// isDoor of an open cell, tested once per search.
bool doorOnce(const GridMap& map, ArrivalPlaces& t, int column, int row, int type) {
    const std::size_t cell = static_cast<std::size_t>(row * kPlaceSide + column);
    if (t.doorSeen[cell] != t.stamp) {
        t.doorSeen[cell] = t.stamp;
        t.door[cell] = isDoor(map, column, row, type) ? 1 : 0;
    }
    return t.door[cell] != 0;
}

// Whether the agent fits at (cx, cy), whole units, as the place of cell (column, row), which
// the search reached in `steps`.
bool fits(const GridMap& map, ArrivalPlaces& t, const Agent& agent, int column, int row, int type, int64_t cx, int64_t cy,
          int steps) {
    if (t.owner[static_cast<std::size_t>(row * kPlaceSide + column)] != nullptr) return false;
    if (doorOnce(map, t, column, row, type)) return false;
    const int64_t radius = toWhole(agent.radius) > 0 ? toWhole(agent.radius) : 1;
    // Cells within two radii; a door's approach (radius and half a cell) is always among them.
    const int reach = static_cast<int>((2 * radius + kCellUnits - 1) / kCellUnits);
    const int64_t wallLimit = squared(radius * kWallShareNum / kWallShareDen);
    for (int r = row - reach; r <= row + reach; ++r) {
        for (int c = column - reach; c <= column + reach; ++c) {
            const bool inside = c >= 0 && r >= 0 && c < kPlaceSide && r < kPlaceSide;
            if (!inside || lowType(map, c, r) != type) {
                if (squaredToCell(cx, cy, c, r) < wallLimit) return false;
                continue;
            }
            const std::size_t near = static_cast<std::size_t>(r * kPlaceSide + c);
            if (doorOnce(map, t, c, r, type)) {
                // A door the search reached in fewer steps lies between this cell and the
                // target: this cell is its approach from outside.
                const bool beyond = t.seen[near] == t.stamp && t.steps[near] < steps;
                const int64_t keep = beyond ? radius + kApproachUnits : radius;
                if (squaredToCell(cx, cy, c, r) < squared(keep)) return false;
            }
            const Agent* other = t.owner[near];
            if (other == nullptr) continue;
            const int64_t both = radius + toWhole(other->radius) + kPlaceGapUnits;
            const int64_t ox = toWhole(other->placePoint.x), oy = toWhole(other->placePoint.y);
            if (squared(ox - cx) + squared(oy - cy) < squared(both)) return false;
        }
    }
    return true;
}

}  // namespace

int placeCellOf(int x, int y) {
    const int column = x >= 0 ? x / kCellUnits : -1 - (-x - 1) / kCellUnits;
    const int row = y >= 0 ? y / kCellUnits : -1 - (-y - 1) / kCellUnits;
    if (column < 0 || row < 0 || column >= kPlaceSide || row >= kPlaceSide) return -1;
    return row * kPlaceSide + column;
}

namespace {

// A search's four steps, in its order: up, left, right, down.
constexpr int kColumnStep[4] = {0, -1, 1, 0};
constexpr int kRowStep[4] = {-1, 0, 0, 1};

// Starts a search of the place cells from the target's cell: a new stamp, that cell
// (`start`) alone in the queue at step 0, and `type` its ground. False (nothing started)
// when the target is off the map or on no ground.
bool beginSearch(const GridMap& map, ArrivalPlaces& t, FixedVec target, int& start, int& type) {
    start = placeCellOf(toWhole(target.x), toWhole(target.y));
    if (start < 0) return false;
    type = lowType(map, start % kPlaceSide, start / kPlaceSide);
    if (type == kWallType || type == kObstacleMarkerType) return false;
    if (++t.stamp == 0) {
        t.seen.fill(0);
        t.doorSeen.fill(0);
        t.stamp = 1;
    }
    t.queue[0] = start;
    t.seen[static_cast<std::size_t>(start)] = t.stamp;
    t.steps[static_cast<std::size_t>(start)] = 0;
    return true;
}

// Within `ring` cells (both axes) of cell `near`; a negative ring takes any cell.
bool withinRing(int cell, int near, int ring) {
    if (ring < 0) return true;
    const int dc = cell % kPlaceSide - near % kPlaceSide, dr = cell / kPlaceSide - near / kPlaceSide;
    return dc >= -ring && dc <= ring && dr >= -ring && dr <= ring;
}

// claimPlace, taking only cells within `ring` of cell `near` (any cell when ring < 0).
bool claimWithin(Agent& agent, FixedVec target, int near, int ring) {
    releasePlace(agent);
    if (agent.world == nullptr) return false;
    const GridMap& map = agent.world->gridMap;
    ArrivalPlaces& t = agent.world->arrivalPlaces;
    int start = 0, type = 0;
    if (!beginSearch(map, t, target, start, type)) return false;
    int head = 0, tail = 1;
    // Doors out of the target's ground wait until that ground is searched: a room fills
    // before anyone gets a place beyond its doors, however near the target they are.
    std::array<int32_t, kDeferredDoors> deferred{};
    int deferredCount = 0;
    for (;;) {
        if (head == tail) {
            if (deferredCount <= 0) break;
            for (int i = 0; i < deferredCount; ++i) t.queue[static_cast<std::size_t>(tail++)] = deferred[static_cast<std::size_t>(i)];
            deferredCount = -1;  // doors found from here on are searched in turn
        }
        const int cell = t.queue[static_cast<std::size_t>(head++)];
        const int column = cell % kPlaceSide, row = cell / kPlaceSide;
        // The target's own cell offers the target itself; any other cell its centre.
        const bool own = cell == start;
        const int64_t cx = own ? toWhole(target.x) : int64_t{column} * kCellUnits + kCellUnits / 2;
        const int64_t cy = own ? toWhole(target.y) : int64_t{row} * kCellUnits + kCellUnits / 2;
        const int steps = t.steps[static_cast<std::size_t>(cell)];
        if (withinRing(cell, near, ring) && fits(map, t, agent, column, row, type, cx, cy, steps)) {
            t.owner[static_cast<std::size_t>(cell)] = &agent;
            agent.placeCell = cell;
            agent.placePoint = FixedVec{toFixed(static_cast<int>(cx)), toFixed(static_cast<int>(cy))};
            agent.placeBest = kNoDistance;
            agent.placeStall = 0;
            agent.placeHeld = 0;
            return true;
        }
        if (steps >= kPlaceSearchSteps) continue;
        for (int k = 0; k < 4; ++k) {
            const int c = column + kColumnStep[k], r = row + kRowStep[k];
            if (!walkable(map, c, r, type)) continue;
            const int next = r * kPlaceSide + c;
            if (t.seen[static_cast<std::size_t>(next)] == t.stamp) continue;
            t.seen[static_cast<std::size_t>(next)] = t.stamp;
            t.steps[static_cast<std::size_t>(next)] = static_cast<uint16_t>(steps + 1);
            if (deferredCount >= 0 && deferredCount < kDeferredDoors && !doorOnce(map, t, column, row, type) &&
                doorOnce(map, t, c, r, type)) {
                deferred[static_cast<std::size_t>(deferredCount++)] = next;
            } else {
                t.queue[static_cast<std::size_t>(tail++)] = next;
            }
        }
    }
    return false;
}

// Two agents each standing in the other's place cell swap places; the other, standing
// where it now belongs, settles there in its turn.
bool swapWithOwnerOf(Agent& agent, int here) {
    if (here < 0 || here == agent.placeCell) return false;
    ArrivalPlaces& t = agent.world->arrivalPlaces;
    const Agent* owner = t.owner[static_cast<std::size_t>(here)];
    if (owner == nullptr || owner->pathTarget != agent.pathTarget) return false;
    if (placeCellOf(toWhole(owner->position.x), toWhole(owner->position.y)) != agent.placeCell) return false;
    for (Agent& other : agent.world->agentList) {
        if (&other != owner) continue;
        std::swap(other.placeCell, agent.placeCell);
        std::swap(other.placePoint, agent.placePoint);
        t.owner[static_cast<std::size_t>(agent.placeCell)] = &agent;
        t.owner[static_cast<std::size_t>(other.placeCell)] = &other;
        other.placeBest = agent.placeBest = kNoDistance;
        other.placeStall = agent.placeStall = 0;
        return true;
    }
    return false;
}

// Which of cells a and b the search from the target reaches without passing through a door
// of its ground: the cells in the target's own room.
void onTargetGround(Agent& agent, FixedVec target, int a, int b, bool& aIn, bool& bIn) {
    aIn = bIn = false;
    const GridMap& map = agent.world->gridMap;
    ArrivalPlaces& t = agent.world->arrivalPlaces;
    int start = 0, type = 0;
    if (!beginSearch(map, t, target, start, type)) return;
    int head = 0, tail = 1;
    while (head < tail) {
        const int cell = t.queue[static_cast<std::size_t>(head++)];
        aIn = aIn || cell == a;
        bIn = bIn || cell == b;
        const int column = cell % kPlaceSide, row = cell / kPlaceSide;
        const int steps = t.steps[static_cast<std::size_t>(cell)];
        if (kPlaceSearchSteps <= steps) continue;
        for (int k = 0; k < 4; ++k) {
            const int c = column + kColumnStep[k], r = row + kRowStep[k];
            if (!walkable(map, c, r, type)) continue;
            const int next = r * kPlaceSide + c;
            if (t.seen[static_cast<std::size_t>(next)] == t.stamp || doorOnce(map, t, c, r, type)) continue;
            t.seen[static_cast<std::size_t>(next)] = t.stamp;
            t.steps[static_cast<std::size_t>(next)] = static_cast<uint16_t>(steps + 1);
            t.queue[static_cast<std::size_t>(tail++)] = next;
        }
    }
}

// An agent held in the target's room whose place lies beyond the room's doors: the room was
// full when it claimed, and the crowd in it keeps it from getting out. It stays in the
// room: the free cell it stands in becomes its place, the place outside is given back.
bool staysInRoom(Agent& agent, FixedVec target, int here, int x, int y) {
    // (A door is no cell of the room: an agent in one never stays.)
    if (here < 0 || agent.world->arrivalPlaces.owner[static_cast<std::size_t>(here)] != nullptr) return false;
    bool placeIn = false, agentIn = false;
    onTargetGround(agent, target, agent.placeCell, here, placeIn, agentIn);
    if (placeIn || !agentIn) return false;
    releasePlace(agent);
    agent.world->arrivalPlaces.owner[static_cast<std::size_t>(here)] = &agent;
    agent.placeCell = here;
    agent.placePoint = FixedVec{toFixed(x), toFixed(y)};
    agent.placeBest = kNoDistance;
    agent.placeStall = 0;
    agent.placeHeld = 0;
    return true;
}

}  // namespace

bool claimPlace(Agent& agent, FixedVec target) { return claimWithin(agent, target, 0, -1); }

Settling settleNearPlace(Agent& agent, FixedVec target, bool lastWaypoint) {
    if (agent.world == nullptr || agent.placeCell < 0) return Settling::Walking;
    const Fixed distance = approxLength(agent.placePoint - agent.position);
    if (distance < agent.placeBest - agent.radius / kPlaceProgressShare) {
        agent.placeBest = distance;
        agent.placeStall = 0;
        agent.placeHeld = 0;
        return Settling::Walking;
    }
    if (++agent.placeStall < kPlaceStallSteps) return Settling::Walking;
    agent.placeStall = 0;
    const int x = toWhole(agent.position.x), y = toWhole(agent.position.y);
    const int here = placeCellOf(x, y);
    if (!lastWaypoint) {
        // On the way: held in the room for kPlaceRoomWindows windows, nearer than ever at none.
        if (++agent.placeHeld < kPlaceRoomWindows || !staysInRoom(agent, target, here, x, y)) return Settling::Walking;
        return Settling::Moved;
    }
    // Held this long: counting starts again from where it stands.
    agent.placeBest = distance;
    if (distance <= agent.radius + agent.radius / 2 && !inDoor(*agent.world, x, y)) return Settling::Arrived;
    if (distance > kPlaceNearRadii * agent.radius) return Settling::Walking;
    if (swapWithOwnerOf(agent, here)) return Settling::Moved;
    const int oldCell = agent.placeCell;
    const FixedVec oldPoint = agent.placePoint;
    if (here >= 0 && claimWithin(agent, target, here, 1)) return agent.placeCell == oldCell ? Settling::Walking : Settling::Moved;
    // Nothing free next to it: it keeps the place it had.
    agent.world->arrivalPlaces.owner[static_cast<std::size_t>(oldCell)] = &agent;
    agent.placeCell = oldCell;
    agent.placePoint = oldPoint;
    agent.placeBest = distance;
    return Settling::Walking;
}

void releasePlace(Agent& agent) {
    if (agent.world != nullptr && agent.placeCell >= 0 && agent.placeCell < kPlaceCells) {
        ArrivalPlaces& t = agent.world->arrivalPlaces;
        if (t.owner[static_cast<std::size_t>(agent.placeCell)] == &agent) t.owner[static_cast<std::size_t>(agent.placeCell)] = nullptr;
    }
    agent.placeCell = -1;
}

const Agent* placeOwner(const World& world, int column, int row) {
    if (column < 0 || row < 0 || column >= kPlaceSide || row >= kPlaceSide) return nullptr;
    return world.arrivalPlaces.owner[static_cast<std::size_t>(row * kPlaceSide + column)];
}

bool inDoor(const World& world, int x, int y) {
    const int cell = placeCellOf(x, y);
    if (cell < 0) return false;
    const int column = cell % kPlaceSide, row = cell / kPlaceSide;
    const int type = lowType(world.gridMap, column, row);
    if (type == kWallType) return false;
    return isDoor(world.gridMap, column, row, type);
}

void clearPlaces(World& world) { world.arrivalPlaces.owner.fill(nullptr); }

}  // namespace steering
