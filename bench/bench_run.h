#pragma once
// The benchmarks' run of the steering program: one per benchmark process, made on first use
// and kept while the process lasts, as a program keeps its run for its whole life.
#include <memory>

#include "programs/steering/steering_run.h"
#include "steering/world.h"

namespace bench_scenes {

inline steering::SteeringRun& benchRun() {
    static const std::unique_ptr<steering::SteeringRun> run = std::make_unique<steering::SteeringRun>();
    return *run;
}
// The run's current world (SteeringRun::setupWorld makes a new one).
inline steering::World& benchWorld() { return *benchRun().world; }

}  // namespace bench_scenes
