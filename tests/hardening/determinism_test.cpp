// A fixed scenario of each program, run by the headless driver, gives a trace whose hash
// is recorded here: the optimised, debug and sanitizer builds all reproduce it.
#include <gtest/gtest.h>

#include <memory>

#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/headless/driver.h"
#include "tools/headless/input_script.h"

namespace {

constexpr uint32_t kScenarioFrames = 400;

// Each scenario touches every control of its program: inserts, clicks, drags, zoom,
// scroll, overlays.
constexpr const char* kSteeringScenario =
    "1 ldrag 150 300\n2 key Insert\n3 key Insert\n5 lclick 400 100\n20 menu 40010\n25 menu 40009\n"
    "30 key Next\n40 ldrag 200 200\n41 key Insert\n60 lclick 100 400\n80 keydown Right 3\n100 rdrag 10 10\n"
    "120 key Prior\n150 lclick 300 300\n200 key Delete\n210 menu 40007\n220 menu 40008\n230 menu 40012\n"
    "300 lclick 50 50\n";
constexpr const char* kWallsScenario =
    "1 key Up\n2 key Up\n10 lclick 500 100\n20 rclick 100 400\n30 menu 40007\n40 menu 40008\n50 menu 40009\n"
    "60 ldrag 300 300\n70 rdrag 600 50\n100 key Down\n150 key Up\n200 lclick 20 460\n";
constexpr const char* kBasicScenario =
    "1 key Space\n10 lclick 500 100\n20 rclick 100 400\n30 menu 40007\n60 ldrag 300 300\n70 rdrag 600 50\n"
    "100 key Space\n200 lclick 20 460\n300 rclick 320 240\n";

struct Scenario {
    const char* program;
    const char* events;
    uint64_t expectedHash;
};

// FNV-1a over the trace rows; the summary comment at the end holds timings and is left out.
uint64_t hashTrace(std::FILE* trace, long* rows) {
    std::rewind(trace);
    uint64_t hash = 14695981039346656037ull;
    char line[1024];
    *rows = 0;
    while (std::fgets(line, sizeof line, trace) != nullptr) {
        if (line[0] == '#') continue;
        ++*rows;
        for (const char* c = line; *c != '\0'; ++c) {
            hash ^= static_cast<unsigned char>(*c);
            hash *= 1099511628211ull;
        }
    }
    return hash;
}

uint64_t runScenario(const Scenario& scenario, long* rows) {
    const headless::ParseResult parsed = headless::parseInputScript(scenario.events);
    EXPECT_TRUE(parsed.ok) << parsed.error;
    headless::DriverOptions options;
    options.program = scenario.program;
    options.frames = kScenarioFrames;
    std::FILE* trace = std::tmpfile();
    EXPECT_NE(trace, nullptr);
    const shell::Program& program = *headless::findProgram(scenario.program);
    const std::unique_ptr<shell::ProgramRun> programRun = program.makeRun();
    const headless::RunSummary summary = headless::runDriver(options, parsed.events, *programRun, program, trace);
    EXPECT_EQ(summary.framesRun, kScenarioFrames);
    EXPECT_FALSE(summary.stalled);
    const uint64_t hash = hashTrace(trace, rows);
    std::fclose(trace);
    return hash;
}

// Recorded from the RelWithDebInfo build and checked in the Debug build with
// AddressSanitizer and UndefinedBehaviorSanitizer and in the clang sanitizer build.
class TraceHash : public ::testing::TestWithParam<Scenario> {};

TEST_P(TraceHash, ScenarioTraceHashesToTheRecordedValue) {
    long rows = 0;
    const uint64_t hash = runScenario(GetParam(), &rows);
    EXPECT_EQ(hash, GetParam().expectedHash) << GetParam().program << " trace hash 0x" << std::hex << hash;
    EXPECT_GT(rows, static_cast<long>(kScenarioFrames));  // a header and rows of agents, frame by frame
}

INSTANTIATE_TEST_SUITE_P(Programs, TraceHash,
                         ::testing::Values(Scenario{"steering", kSteeringScenario, 0x042154e09e09e13bull},
                                           Scenario{"steering_walls", kWallsScenario, 0x495be031070a8a24ull},
                                           Scenario{"steering_basic", kBasicScenario, 0x31a247cc1ee5c9c7ull}),
                         [](const auto& info) { return std::string(info.param.program); });

}  // namespace
