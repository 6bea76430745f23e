// The steering program's process entry: options, an SDL window, then the shared entry steps.
#include <string>

#include "platform/sdl/sdl_backend.h"
#include "shell/interactive_run.h"
#include "programs/steering/steering_program.h"
#include "world/map_file.h"
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

}  // namespace

int main(int argc, char** argv) {
    return shell::runInteractive(steering::steeringProgram, argc, argv, win::sdl::useSdlBackend, useMap);
}
