#pragma once
// Command line of steering_headless, parsed without touching files or the program.
#include <cstdint>
#include <string>
#include <vector>

namespace headless {

constexpr uint32_t kDefaultFrames = 300;

struct DriverOptions {
    std::string program;          // "steering", "steering_walls" or "steering_basic"
    uint32_t frames = kDefaultFrames;  // accepted ticks to run, 1..kMaxFrame
    std::string inputPath;        // events file, empty for none
    std::string screenshotPath;   // PNG of the window after the last frame, empty for none
    uint32_t screenshotEvery = 0; // a PNG after every K-th frame, 0 for none
    std::string screenshotDir;    // where those go (required with --screenshot-every)
    std::string tracePath;        // CSV trace, empty for none
    std::string workdir;          // working directory of the run, empty for the default
    std::string mapPath;          // steering's map file, empty for "maptest.raw" in the workdir
    bool navLog = false;          // switch the navigation trace "nav.log" on
    // steering only: run a test case to its end instead of the window's frames.
    std::string scenarioPath;     // the case's XML file, empty for none
    std::string mode = "classic"; // navigation mode of the case's run: classic or shortest
    uint32_t seed = 1;            // the case's random values
    std::string scoresPath;       // JSON scores, empty for none (a summary line is printed)
    bool keepArrived = false;     // agents stay where they reached their last goal
    bool help = false;
};

struct OptionsResult {
    bool ok = false;
    DriverOptions options;
    std::string error;  // one line, when !ok
};

// args excludes the executable's own name.
OptionsResult parseOptions(const std::vector<std::string>& args);
std::string usageText();

}  // namespace headless
