#pragma once
// Small cases built in code for the scenario tests: a square world, agents with goal
// sequences, a case laid out with its cells and arrival zones, and runs given sample by sample.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "scenario/case_layout.h"
#include "scenario/scores.h"

namespace scenario::test {

inline Scenario square(double lo = -10, double hi = 10) {
    Scenario s;
    s.file = "t.xml";
    s.name = "t";
    s.worldBounds = Box{lo, hi, lo, hi};
    return s;
}

inline AgentSpec agentAt(double x, double z, std::vector<Goal> goals, double radius = 0.5) {
    AgentSpec a;
    a.position = Vec2{x, z};
    a.radius = radius;
    a.goals = std::move(goals);
    return a;
}

inline Goal seekTo(double x, double z, double duration = 1000) {
    Goal g;
    g.kind = GoalKind::SeekStatic;
    g.target = Vec2{x, z};
    g.timeDuration = duration;
    return g;
}

inline Goal idleFor(double seconds) {
    Goal g;
    g.kind = GoalKind::Idle;
    g.desiredSpeed = 0;
    g.timeDuration = seconds;
    return g;
}

inline int cell(int column, int row) { return row * kMapCells + column; }

// A run where samples[step][agent] is the agent's position (present throughout).
inline RunRecord runOf(const std::vector<std::vector<Vec2>>& samples) {
    RunRecord r;
    r.system = "test";
    r.start(static_cast<int>(samples[0].size()));
    for (const auto& s : samples) r.append(s, std::vector<uint8_t>(s.size(), 1));
    return r;
}

// A case laid out, rasterised and given its arrival zones.
struct Prepared {
    Scenario s;
    CaseLayout layout;
    std::vector<uint8_t> cells = std::vector<uint8_t>(kMapCells * kMapCells);
    ArrivalZones zones;
    explicit Prepared(Scenario scenario) : s(std::move(scenario)) {
        std::string error;
        EXPECT_TRUE(layoutCase(s, layout, error)) << error;
        rasteriseCase(s, layout, cells.data());
        buildArrivalZones(s, layout, cells.data(), zones);
    }
    RunScores score(const std::vector<std::vector<Vec2>>& samples) const {
        return scoreRun(s, layout, cells.data(), zones, runOf(samples));
    }
};

}  // namespace scenario::test
