// scenario_detour CASE.xml [--seed S] [--scores FILE.json]: the case run by DetourCrowd and
// scored as steering_headless steering --scenario scores ours. Exit 1 when the run fails,
// 2 for a bad command line or an unusable case.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "scenario/scenario_reader.h"
#include "scenario/scores.h"
#include "tools/scenario_peer/detour_crowd_run.h"

int main(int argc, char** argv) {
    std::string path, scoresPath;
    uint32_t seed = scenario::kDefaultSeed;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--seed" || arg == "--scores") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--scores") {
                scoresPath = value;
            } else {
                char* end = nullptr;
                const unsigned long v = std::strtoul(value.c_str(), &end, 10);
                if (value.empty() || *end != '\0' || v > 0xFFFFFFFFul) {
                    std::cerr << "scenario_detour: --seed needs a whole number from 0 to 4294967295\n";
                    return 2;
                }
                seed = static_cast<uint32_t>(v);
            }
        } else if (path.empty() && !arg.empty() && arg[0] != '-') {
            path = arg;
        } else {
            std::cerr << "usage: scenario_detour CASE.xml [--seed S] [--scores FILE.json]\n";
            return 2;
        }
    }
    if (path.empty()) {
        std::cerr << "usage: scenario_detour CASE.xml [--seed S] [--scores FILE.json]\n";
        return 2;
    }
    scenario::ReadResult read = scenario::readScenarioFile(path, seed);
    if (!read.ok) {
        std::cerr << read.error << "\n";
        return 2;
    }
    scenario::CaseLayout layout;
    std::string error;
    if (!scenario::layoutCase(read.scenario, layout, error)) {
        std::cerr << error << "\n";
        return 2;
    }
    std::vector<uint8_t> cells(static_cast<std::size_t>(scenario::kMapCells) * scenario::kMapCells);
    scenario::rasteriseCase(read.scenario, layout, cells.data());
    scenario::ArrivalZones zones;
    scenario::buildArrivalZones(read.scenario, layout, cells.data(), zones);
    scenario::RunRecord record;
    if (!scenario::runDetourCrowd(read.scenario, layout, cells.data(), zones, record, error)) {
        std::cerr << error << "\n";
        return 1;
    }
    const scenario::RunScores scores = scenario::scoreRun(read.scenario, layout, cells.data(), zones, record);
    std::printf("%s %s: %d of %d agents done, T50 %.1f s, T95 %.1f s, T100 %.1f s, %d still out, "
                "%d agent and %d obstacle collisions, %d steps\n",
                scores.caseName.c_str(), scores.system.c_str(), scores.done, scores.agents, scores.t50, scores.t95,
                scores.t100, scores.stillOut, scores.agentCollisions, scores.obstacleCollisions, scores.steps);
    if (!scoresPath.empty()) {
        std::FILE* out = std::fopen(scoresPath.c_str(), "w");
        const std::string json = scenario::scoresJson(scores, true);
        const bool written = out != nullptr && std::fwrite(json.data(), 1, json.size(), out) == json.size();
        if (out == nullptr || std::fclose(out) != 0 || !written) {
            std::cerr << "scenario_detour: cannot write scores file '" << scoresPath << "'\n";
            return 1;
        }
    }
    return 0;
}
