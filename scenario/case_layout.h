#pragma once
// How a case (metres, seconds) becomes our world (world units, steps), with one rule:
//   kWorldUnitsPerMetre = 256: one metre is one map cell, so a 0.5 m agent has radius 128
//   world units (our agents: 75..225);
//   kSecondsPerStep = 0.2: 1.3 m/s is 66.56 world units per step (our agents: 35.5..85.5).
// The case's region (its world bounds, or when they are wider than the agents' part of the
// map allows, the box round everything in it grown by kContentMargin and clipped to the
// bounds) is placed with its minimum corner at the top-left corner of cell (1, 1); cells
// outside the region, and row/column 0 and 127 onwards, are walls. Obstacles are
// rasterised to wall cells by their footprints: a cell is a wall when the footprint covers
// its centre, so every edge moves to the nearest cell line (by at most half a cell) and an
// opening between two obstacles keeps its width to within half a cell when its edges are
// rounded the same way (both sides of an opening lie on the same kind of cell lines in our
// cases: whole metres); any gap of a cell or more stays open.
#include <cstdint>
#include <string>
#include <vector>

#include "scenario/scenario.h"

namespace scenario {

constexpr double kWorldUnitsPerMetre = 256.0;
constexpr double kSecondsPerStep = 0.2;
constexpr double kCellMetres = 1.0;           // kCellSide / kWorldUnitsPerMetre
constexpr int kCaseFirstCell = 1;             // row/column 0 stays a wall (the edge)
constexpr int kCaseCellLimit = 127;           // agents reach cells 0..126; 127 onwards is wall
constexpr int kCaseMaxCells = kCaseCellLimit - kCaseFirstCell;  // 126 cells = 126 m
constexpr double kContentMargin = 8.0;        // metres round the content of a too-large world
constexpr int kMapCells = 256;                // cells per side of the map the case is drawn on

struct CaseLayout {
    Box region;        // the part of the ground plane that is drawn, metres
    int columns = 0;   // cells it covers across (x) and down (z), 1..kCaseMaxCells
    int rows = 0;

    // Metres to world units (doubles; callers round into 16.16 as they need).
    double worldX(double x) const { return (x - region.xmin) * kWorldUnitsPerMetre + kCaseFirstCell * 256.0; }
    double worldY(double z) const { return (z - region.zmin) * kWorldUnitsPerMetre + kCaseFirstCell * 256.0; }
    double metresX(double worldX) const { return (worldX - kCaseFirstCell * 256.0) / kWorldUnitsPerMetre + region.xmin; }
    double metresZ(double worldY) const { return (worldY - kCaseFirstCell * 256.0) / kWorldUnitsPerMetre + region.zmin; }
};

// Chooses the region; false with a one-line `error` (naming the case's file) when the case
// does not fit cells 1..126, or an agent or a static target lies outside the region.
bool layoutCase(const Scenario& scenario, CaseLayout& layout, std::string& error);

// Writes the whole 256 x 256 map: 0 open ground, 15 walls (outside the region, the edges,
// the obstacles' cells).
void rasteriseCase(const Scenario& scenario, const CaseLayout& layout, uint8_t* cells);

// Arrival zones. A goal's zone is its target's nearest open cells by walking distance (4-
// and 8-neighbour steps over open cells, diagonals not cutting wall corners), as many as
// hold every agent whose goal shares that target point at 50 % packing (their disc areas
// over half a cell's area, at least one cell); an agent has reached the goal when its centre
// is inside a zone cell or within its own diameter of the target point (where our path
// following stops a lone agent). Seek goals (static,
// and dynamic by the other agent's position at that time, tested by the centre-within-radius
// rule only) have zones; flee, flow and idle goals end by time only.
struct ArrivalZones {
    // One zone per distinct static target point: its cells (column + row * kMapCells), sorted.
    std::vector<std::vector<int>> zoneCells;
    std::vector<Vec2> zoneTarget;                 // per zone, metres
    // zoneOf[agent][goal]: index into zoneCells, or -1 for goals without a zone.
    std::vector<std::vector<int>> zoneOf;
};

void buildArrivalZones(const Scenario& scenario, const CaseLayout& layout, const uint8_t* cells,
                       ArrivalZones& zones);

// Whether an agent of `radius` metres centred at `position` (metres) has reached the goal
// `goal` of agent `agent` (static targets only; false for goals without a zone).
// Whether zone `zone` holds cell `cell` (column + row * kMapCells).
bool zoneHolds(const ArrivalZones& zones, int zone, int cell);

bool insideArrivalZone(const ArrivalZones& zones, const CaseLayout& layout, int agent, int goal,
                       Vec2 position, double radius);

}  // namespace scenario
