// What users feel of the shell: the cost of one accepted frame tick with a single agent
// and nothing else to draw (colour fill, processor identification, update, drawing, timing
// bars, invalidation), and how long the headless driver takes for 10,000 frames of the
// start-up world.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_run.h"
#include "platform/host.h"
#include "platform/win.h"
#include "shell/program_entry.h"
#include "programs/steering/steering_program.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"

namespace {

// One window with its presentation, an open map (no wall cells) and one agent in view.
void setupOneAgentWindow() {
    static bool done = false;
    if (done) return;
    done = true;
    win::host::useHeadlessBackend();
    win::host::setTickCount(0);
    const win::HWND window =
        shell::createMainWindow(bench_scenes::benchRun(), shell::programInstance(steering::steeringProgram), win::SW_SHOW);
    shell::initPresentation(bench_scenes::benchRun().presentation, window, shell::kClientWidth, shell::kClientHeight);
    bench_scenes::benchWorld().gridMap.init(256, 256);
    bench_scenes::benchWorld().neighbourGrid.init(128, 128);
    steering::Agent agent;
    makeAgentTemplate(agent, bench_scenes::benchWorld().agentRandom);
    agent.place({steering::toFixed(1500), steering::toFixed(4500)}, {0, 0});
    bench_scenes::benchWorld().agentList.add(agent);
}

void BM_FrameTickOneAgent(benchmark::State& state) {
    setupOneAgentWindow();
    if (bench_scenes::benchRun().presentation.offscreenDC == nullptr) {
        state.SkipWithError("presentation set-up failed");
        return;
    }
    int64_t frames = 0;
    for (auto _ : state) {
        win::host::advanceTickCount(11);
        const bool accepted = bench_scenes::benchRun().frameTick();
        benchmark::DoNotOptimize(accepted);
        frames += accepted ? 1 : 0;
    }
    if (frames != static_cast<int64_t>(state.iterations())) state.SkipWithError("a tick was refused by the gate");
}
BENCHMARK(BM_FrameTickOneAgent)->Unit(benchmark::kMicrosecond);

// steering_headless lives in bin/ beside the bench/ folder of the same build.
std::string driverPath() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    const std::filesystem::path driver = exe.parent_path().parent_path() / "bin" / "steering_headless";
    return std::filesystem::exists(driver, error) ? driver.string() : std::string{};
}

// The whole program as a user starts it: map, navigation build, then 10,000 frames.
void BM_HeadlessDriver10000Frames(benchmark::State& state) {
    const std::string driver = driverPath();
    if (driver.empty()) {
        state.SkipWithError("steering_headless not found next to the benchmarks");
        return;
    }
    const std::string command = driver + " steering --frames 10000 > /dev/null";
    rusage before{};
    getrusage(RUSAGE_CHILDREN, &before);
    for (auto _ : state) {
        const int status = std::system(command.c_str());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("steering_headless failed");
            return;
        }
    }
    // The driver's own processor time, which a busy machine does not inflate as it does real time.
    rusage after{};
    getrusage(RUSAGE_CHILDREN, &after);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
    const double cpu = seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) -
                       seconds(before.ru_stime);
    state.counters["driver_cpu_ms"] = cpu * 1e3 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_HeadlessDriver10000Frames)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
