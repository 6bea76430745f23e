#pragma once
// Runs one program through its own entry on the headless backend with a virtual clock:
// input-file events become window messages, accepted ticks are counted, and the trace
// and screenshots record what happened.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "shell/program_entry.h"
#include "tools/headless/input_script.h"
#include "tools/headless/options.h"
#include "tools/headless/session.h"

namespace headless {

// Each loop pass that removed no message adds the session's clock step (just over the
// 10 ms frame gate), so the tick of that pass is accepted.

// The Program record of a program name, or null.
const shell::Program* findProgram(std::string_view name);

struct RunSummary {
    uint32_t framesRun = 0;           // accepted ticks
    int agentsAtEnd = 0;
    double medianUpdateMilliseconds = 0.0;
    double medianDrawMilliseconds = 0.0;
    double slowestFrameMilliseconds = 0.0;  // the largest update plus drawing of one frame
    double slowestFrameProcessorMilliseconds = 0.0;  // the largest processor time of one frame's tick
    bool windowCreated = false;
    bool screenshotsWritten = true;   // false when any PNG could not be written
    bool stalled = false;             // the program stopped producing frames
    int exitCode = 0;                 // the program's quit code
};

// Runs the program in the current directory. File paths in options must already be
// usable from here; trace may be null. Screenshot folders must exist.
RunSummary runDriver(const DriverOptions& options, const std::vector<InputEvent>& events, shell::ProgramRun& programRun,
                     const shell::Program& program, std::FILE* trace);

// "steering: 300 frames, 6 agents at the end, median update 0.012 ms, median draw 0.230 ms per
// frame, slowest frame 0.910 ms (processor time 0.905 ms)"
std::string summaryLine(const std::string& programName, const RunSummary& summary);

}  // namespace headless
