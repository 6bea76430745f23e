// The steering program's process entry: options, an SDL window, then the shared entry steps.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/sdl/sdl_backend.h"
#include "shell/interactive_run.h"
#include "programs/steering/steering_program.h"
#include "world/map_digest.h"
#include "world/map_file.h"
#include "programs/steering/scenario_view.h"
#include "programs/steering/steering_run.h"

namespace {

// --map FILE: the file must be a whole map. A missing, short or long file would be
// quietly patched for "maptest.raw"; a file someone named on purpose is refused instead.
bool useMap(shell::ProgramRun& programRun, const std::string& path, std::string& reason) {
    auto& run = static_cast<steering::SteeringRun&>(programRun);
    const steering::MapFileRead read =
        steering::prepareMapFile(path.c_str(), run.candidateMap, steering::MapFileUse::WholeFileOnly);
    if (read.status != steering::MapFileStatus::Complete) {
        reason = read.problem;
        return false;
    }
    run.mapFilePath = path;
    return true;
}

// The recording names the map the session starts with, so a replay on another map can say so.
std::string recordHeader(const shell::ProgramRun& programRun) {
    const std::string& path = static_cast<const steering::SteeringRun&>(programRun).mapFilePath;
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return steering::mapHeaderLine(error ? path : full.lexically_normal().string());
}

}  // namespace

int main(int argc, char** argv) {
    // --scenario FILE (a test case opened after set-up) is this program's own; the shared
    // command line sees the rest.
    steering::SteeringRun run;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strcmp(argv[i], "--scenario") == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "steering: option --scenario needs a file\n");
                return 2;
            }
            std::string reason;
            if (!steering::checkScenarioFile(argv[i + 1], reason)) {
                std::fprintf(stderr, "%s\n", reason.c_str());
                return 2;
            }
            run.scenarioFilePath = argv[++i];
            continue;
        }
        rest.push_back(argv[i]);
    }
    rest.push_back(nullptr);
    return shell::runInteractive(steering::steeringProgram, run, static_cast<int>(rest.size()) - 1, rest.data(),
                                 win::sdl::useSdlBackend, useMap, recordHeader);
}
