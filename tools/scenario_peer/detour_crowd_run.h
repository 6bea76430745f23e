#pragma once
// A test case run by DetourCrowd, the peer our crowds are compared with. The case's ground
// (the same rasterised cells our runs walk, one metre a cell) is built into a Detour mesh
// by Recast at 0.25 m a voxel, eroded by the case's smallest agent radius; every agent joins
// a dtCrowd with its own radius and desired speed, the "high quality" avoidance preset of
// Recast's demo (adaptive sampling, 3 divisions, 2 rings, depth 5), anticipated turns,
// visibility and topology optimisation and separation (weight 2), maximum acceleration
// 8 m/s^2. The crowd is updated at 0.05 s and sampled every 0.2 s (our step). Goals follow
// the same rules as our runs: the same arrival zones, goal times, moving-target plans every
// 5 s, and an agent that reaches its last goal leaves.
#include <string>

#include "scenario/case_layout.h"
#include "scenario/run_record.h"
#include "scenario/scenario.h"

namespace scenario {

constexpr double kDetourUpdateSeconds = 0.05;
constexpr double kDetourVoxelMetres = 0.25;

// False with a one-line error when the mesh cannot be built or an agent cannot be added.
bool runDetourCrowd(const Scenario& scenario, const CaseLayout& layout, const uint8_t* cells,
                    const ArrivalZones& zones, RunRecord& record, std::string& error);

}  // namespace scenario
