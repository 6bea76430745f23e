#pragma once
// What a run of a case leaves behind for scoring, whoever ran it (our simulation in either
// navigation mode, or DetourCrowd): where every agent was after every step, and whether it
// was still in the scene. Nothing else: scores come from positions, never from a
// simulator's own flags.
#include <cstdint>
#include <string>
#include <vector>

#include "scenario/scenario.h"

namespace scenario {

struct RunRecord {
    std::string system;            // "classic", "shortest" or "detourcrowd"
    double secondsPerStep = 0.2;   // simulated seconds between two samples
    int agentCount = 0;            // as in the scenario, same order
    int steps = 0;                 // samples after the start; sample 0 is the start
    // positions[s * agentCount + a]: agent a's centre after step s (s = 0: at the start),
    // metres. present[...] = 1 while the agent is in the scene; once 0 it stays 0 (it left,
    // and its last present position is where it left from).
    std::vector<Vec2> positions;
    std::vector<uint8_t> present;
    double processorSeconds = 0.0;  // processor time spent in the simulator's steps only (step_timer.h)
    std::uint64_t agentSteps = 0;   // agents present summed over the steps run

    void start(int agents) {
        agentCount = agents;
        steps = 0;
        positions.clear();
        present.clear();
    }
    // Appends one sample (agentCount entries each).
    void append(const std::vector<Vec2>& where, const std::vector<uint8_t>& inScene) {
        positions.insert(positions.end(), where.begin(), where.end());
        present.insert(present.end(), inScene.begin(), inScene.end());
        steps = static_cast<int>(present.size() / static_cast<std::size_t>(agentCount)) - 1;
    }
    Vec2 at(int step, int agent) const { return positions[static_cast<std::size_t>(step) * agentCount + agent]; }
    bool isPresent(int step, int agent) const {
        return present[static_cast<std::size_t>(step) * agentCount + agent] != 0;
    }
};

// How long a run of a case goes on: until every agent is done, or this many steps (the
// longest goal time sum of any agent, in steps, plus one).
int stepLimit(const Scenario& scenario, double secondsPerStep);

}  // namespace scenario
