// steering_headless: runs one of the three programs without a display, for tests,
// demonstrations and measurements. Exit codes: 0 success, 1 the run failed (window,
// screenshot, stalled program), 2 bad command line or input file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "navigation/nav_log.h"
#include "tools/headless/driver.h"
#include "tools/headless/input_script.h"
#include "tools/headless/options.h"
#include "world/map_digest.h"
#include "world/map_file.h"
#include "programs/steering/steering_run.h"
#ifdef STEERING_WITH_SCENARIOS
#include "scenario/scenario_world.h"
#include "scenario/scores.h"
#endif

namespace {

namespace fs = std::filesystem;

constexpr int kExitRunFailed = 1;
constexpr int kExitUsage = 2;
// Input files are short event lists; anything larger is surely the wrong file.
constexpr std::uintmax_t kMaxInputBytes = 16u << 20;

int usageError(const std::string& message) {
    std::cerr << "steering_headless: " << message << "\n"
              << "(steering_headless --help shows the options)\n";
    return kExitUsage;
}

// Paths on the command line mean what they meant where the driver was started.
std::string absoluteFrom(const fs::path& base, const std::string& path) {
    if (path.empty()) return path;
    const fs::path p(path);
    return p.is_absolute() ? path : (base / p).lexically_normal().string();
}

// A recording made by `steering --record` names the map it was made with ("# map ..."): a
// replay on other map bytes (another folder's maptest.raw, say) is said before the first
// frame, with the way to put it right. Recordings without that line are replayed as they are.
void noteMapDifference(const std::string& inputPath, const std::string& text, const std::string& replayMap) {
    std::istringstream lines(text);
    std::string line, recordedPath, recordedDigest;
    bool found = false;
    while (!found && std::getline(lines, line)) {
        if (line.empty() || line[0] != '#') break;  // the header comes before the first event
        found = steering::parseMapHeaderLine(line, recordedPath, recordedDigest);
    }
    if (!found) return;
    const std::string digest = steering::mapFileDigest(replayMap.c_str());
    if (digest == recordedDigest) return;
    std::cerr << "steering_headless: note: " << inputPath << " was recorded with map \"" << recordedPath
              << "\" (digest " << recordedDigest << "); this replay uses \"" << replayMap << "\" (digest "
              << digest << "): the agents may not retrace the session (--workdir DIR or --map FILE names the map)\n";
}

bool readInput(const std::string& path, std::string& text, std::string& message) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
        message = path + ": cannot read input file: it is a directory";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        message = path + ": cannot read input file: " + std::strerror(errno);
        return false;
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (!error && size > kMaxInputBytes) {
        message = path + ": input file is larger than 16 MiB";
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        message = path + ": cannot read input file";
        return false;
    }
    text = buffer.str();
    return true;
}

// steering --scenario: the case run to its end, its scores printed and written.
#ifndef STEERING_WITH_SCENARIOS
int runScenario(const headless::DriverOptions& options) {
    return usageError(options.scenarioPath + ": test cases cannot be run in this build (no XML reader)");
}
#else
int runScenario(const headless::DriverOptions& options) {
    scenario::ScenarioRun run;
    const std::unique_ptr<steering::World> world = steering::makeWorld();
    std::string error;
    const steering::NavigationMode mode =
        options.mode == "shortest" ? steering::NavigationMode::Shortest : steering::NavigationMode::Classic;
    if (!scenario::runScenarioFile(options.scenarioPath, options.seed, mode, options.keepArrived, *world, run, error)) {
        std::cerr << error << "\n";
        return kExitUsage;
    }
    const scenario::RunScores scores = scenario::scoreRun(run.scenario, run.layout, run.cells.data(), run.zones, run.record);
    std::printf("%s %s: %d of %d agents done, T50 %.1f s, T95 %.1f s, T100 %.1f s, %d still out, "
                "%d agent and %d obstacle collisions, %d steps\n",
                scores.caseName.c_str(), scores.system.c_str(), scores.done, scores.agents, scores.t50, scores.t95,
                scores.t100, scores.stillOut, scores.agentCollisions, scores.obstacleCollisions, scores.steps);
    if (!options.scoresPath.empty()) {
        std::FILE* out = std::fopen(options.scoresPath.c_str(), "w");
        const std::string json = scenario::scoresJson(scores, true);
        const bool written = out != nullptr && std::fwrite(json.data(), 1, json.size(), out) == json.size();
        if (out == nullptr || std::fclose(out) != 0 || !written) {
            std::cerr << "steering_headless: cannot write scores file '" << options.scoresPath << "'\n";
            return kExitRunFailed;
        }
    }
    return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    headless::OptionsResult parsed = headless::parseOptions(args);
    if (!parsed.ok) return usageError(parsed.error);
    headless::DriverOptions options = parsed.options;
    if (options.help) {
        std::cout << headless::usageText();
        return 0;
    }
    const shell::Program* program = headless::findProgram(options.program);
    if (program == nullptr) return usageError("program '" + options.program + "' is not built into this driver");

    std::error_code error;
    const fs::path startDir = fs::current_path(error);
    options.inputPath = absoluteFrom(startDir, options.inputPath);
    options.screenshotPath = absoluteFrom(startDir, options.screenshotPath);
    options.screenshotDir = absoluteFrom(startDir, options.screenshotDir);
    options.tracePath = absoluteFrom(startDir, options.tracePath);
    options.mapPath = absoluteFrom(startDir, options.mapPath);
    if (!options.scenarioPath.empty()) return runScenario(options);
    const std::unique_ptr<shell::ProgramRun> programRun = program->makeRun();
    auto* steeringRun = dynamic_cast<steering::SteeringRun*>(programRun.get());
    if (!options.mapPath.empty() && steeringRun != nullptr) {
        // As steering --map: only a whole map file is taken.
        const steering::MapFileRead read = steering::prepareMapFile(options.mapPath.c_str(), steeringRun->candidateMap,
                                                                    steering::MapFileUse::WholeFileOnly);
        if (read.status != steering::MapFileStatus::Complete) return usageError(read.problem);
        steeringRun->mapFilePath = options.mapPath;
    }
    // The folder it was started in, as any program: maptest.raw, saved maps, pictures and
    // nav.log are there unless --workdir names another.
    const std::string workdir = options.workdir.empty() ? startDir.string() : absoluteFrom(startDir, options.workdir);

    std::vector<headless::InputEvent> events;
    if (!options.inputPath.empty()) {
        std::string text, message;
        if (!readInput(options.inputPath, text, message)) {
            std::cerr << "steering_headless: " << message << "\n";
            return kExitUsage;
        }
        headless::ParseResult script = headless::parseInputScript(text);
        if (!script.ok) {
            std::cerr << options.inputPath << ":" << script.errorLine << ": " << script.error << "\n";
            return kExitUsage;
        }
        events = std::move(script.events);
        if (steeringRun != nullptr) {
            noteMapDifference(options.inputPath, text,
                              options.mapPath.empty() ? (fs::path(workdir) / steeringRun->mapFilePath).string()
                                                      : options.mapPath);
        }
        for (const headless::InputEvent& e : events) {
            if (e.frame > options.frames) {
                std::cerr << "steering_headless: note: " << options.inputPath << ":" << e.line << ": frame "
                          << e.frame << " is after the last frame (" << options.frames << "), not delivered\n";
            }
        }
    }

    if (!options.screenshotDir.empty()) {
        fs::create_directories(options.screenshotDir, error);
        if (!fs::is_directory(options.screenshotDir, error)) {
            std::cerr << "steering_headless: cannot create screenshot folder '" << options.screenshotDir << "'\n";
            return kExitUsage;
        }
    }
    std::FILE* trace = nullptr;
    if (!options.tracePath.empty()) {
        trace = std::fopen(options.tracePath.c_str(), "w");
        if (trace == nullptr) {
            std::cerr << "steering_headless: cannot write trace file '" << options.tracePath
                      << "': " << std::strerror(errno) << "\n";
            return kExitUsage;
        }
    }
    fs::current_path(workdir, error);
    if (error) {
        std::cerr << "steering_headless: cannot enter working folder '" << workdir << "': " << error.message() << "\n";
        if (trace != nullptr) std::fclose(trace);
        return kExitUsage;
    }
    if (options.navLog && steeringRun != nullptr) steeringRun->navLogRequested = true;

    const headless::RunSummary summary = headless::runDriver(options, events, *programRun, *program, trace);
    bool traceOk = true;
    if (trace != nullptr) traceOk = std::fclose(trace) == 0;

    if (!summary.windowCreated) {
        std::cerr << "steering_headless: " << options.program << ": the main window could not be created\n";
        return kExitRunFailed;
    }
    std::cout << headless::summaryLine(options.program, summary) << "\n";
    if (!options.screenshotPath.empty() && summary.screenshotsWritten) {
        std::cout << "screenshot: " << options.screenshotPath << "\n";
    }
    if (summary.stalled) {
        std::cerr << "steering_headless: " << options.program << " stopped producing frames; run ended early\n";
        return kExitRunFailed;
    }
    if (!summary.screenshotsWritten) {
        std::cerr << "steering_headless: a screenshot could not be written\n";
        return kExitRunFailed;
    }
    if (!traceOk) {
        std::cerr << "steering_headless: writing the trace file '" << options.tracePath << "' failed\n";
        return kExitRunFailed;
    }
    return summary.exitCode;
}
