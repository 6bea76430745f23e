#pragma once
// Reads a steering test case in the SteerBench XML format (header, camera views, agents,
// agent regions, obstacles, obstacle regions, goal sequences), drawing random values from
// `seed`: the same file and seed give the same case.
#include <cstdint>
#include <string>
#include <string_view>

#include "scenario/scenario.h"

namespace scenario {

constexpr uint32_t kDefaultSeed = 1;
// Limits that keep a malformed or hostile file from asking for unbounded work.
constexpr int kMaxAgents = 20000;      // agents in a case, regions included
constexpr int kMaxObstacles = 20000;   // boxes in a case, regions included
constexpr int kMaxGoals = 256;         // goals in one sequence
constexpr std::size_t kMaxFileBytes = 16u << 20;

struct ReadResult {
    bool ok = false;
    Scenario scenario;
    std::string error;  // one line "FILE:LINE: element: what is wrong" when !ok
};

ReadResult parseScenario(std::string_view text, const std::string& fileName, uint32_t seed = kDefaultSeed);
ReadResult readScenarioFile(const std::string& path, uint32_t seed = kDefaultSeed);

}  // namespace scenario
