#include "tools/headless/driver.h"

#include <algorithm>
#include <cinttypes>
#include <ctime>
#include <string>

#include "platform/host.h"
#include "platform/win.h"
#include "shell/session_record.h"
#include "tools/headless/event_messages.h"

namespace headless {
namespace {

// A program that neither accepts a tick nor runs out of messages for this many loop
// passes has stopped working; the driver ends the run instead of spinning forever.
constexpr uint64_t kMaxPassesWithoutFrame = 10000000;
// Frames whose timings are kept without growing the list during the run.
constexpr uint32_t kReservedTimings = 1u << 20;

struct DriverState {
    const DriverOptions* options = nullptr;
    const std::vector<InputEvent>* events = nullptr;
    const shell::ProgramRun* programRun = nullptr;
    std::FILE* trace = nullptr;

    std::size_t nextEvent = 0;          // first event not yet delivered
    uint32_t framesRun = 0;             // accepted ticks so far
    bool captureDue = false;            // a screenshot waits for the last frame's paint
    bool quitPosted = false;
    uint64_t passesSinceFrame = 0;
    bool stalled = false;
    bool screenshotsWritten = true;
    std::vector<uint64_t> updateNanoseconds;
    std::vector<uint64_t> drawNanoseconds;
    uint64_t tickStartProcessorNanoseconds = 0;
    uint64_t slowestTickProcessorNanoseconds = 0;  // processor time of the costliest accepted tick
};

bool writeScreenshot(DriverState& state, const std::string& path) {
    if (!win::host::writePng(path, win::host::windowImage())) {
        state.screenshotsWritten = false;
        return false;
    }
    return true;
}

void captureScreenshots(DriverState& state) {
    const DriverOptions& o = *state.options;
    if (o.screenshotEvery != 0 && state.framesRun % o.screenshotEvery == 0) {
        char name[64];
        std::snprintf(name, sizeof name, "/%s-%06" PRIu32 ".png", o.program.c_str(), state.framesRun);
        writeScreenshot(state, o.screenshotDir + name);
    }
    if (!o.screenshotPath.empty() && state.framesRun == o.frames) writeScreenshot(state, o.screenshotPath);
}

void postDueEvents(DriverState& state) {
    const std::vector<InputEvent>& events = *state.events;
    WindowMessage messages[kMaxMessagesPerEvent];
    // Events of frame F go in before the F-th tick, that is once F - 1 ticks have run.
    while (state.nextEvent < events.size() && events[state.nextEvent].frame <= state.framesRun + 1) {
        const int count = messagesForEvent(events[state.nextEvent], messages);
        for (int i = 0; i < count; ++i) {
            win::PostMessage(state.programRun->window(), messages[i].message, messages[i].wParam, messages[i].lParam);
        }
        ++state.nextEvent;
    }
}

bool eventsDue(const DriverState& state) {
    const std::vector<InputEvent>& events = *state.events;
    return state.nextEvent < events.size() && events[state.nextEvent].frame <= state.framesRun + 1;
}

void endRun(DriverState& state) {
    if (!state.quitPosted) {
        win::PostQuitMessage(0);
        state.quitPosted = true;
    }
}

// Processor time of this thread: on a shared machine a frame's wall-clock time also counts
// the time other processes held the processor.
uint64_t processorNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

// After the pass's message step, before its tick. Only a pass that found the queue empty
// (the last frame's paint included) moves things on: a due screenshot, due events, or
// the clock step that lets this pass's tick through.
void prepareTick(DriverState& state, bool removedMessage) {
    if (++state.passesSinceFrame > kMaxPassesWithoutFrame + 2 * state.events->size()) {
        state.stalled = true;
        endRun(state);
        return;
    }
    if (removedMessage || state.quitPosted) return;
    if (state.captureDue) {
        captureScreenshots(state);
        state.captureDue = false;
    }
    if (state.framesRun >= state.options->frames) {
        endRun(state);
        return;
    }
    if (eventsDue(state)) {
        postDueEvents(state);  // handled on the next passes, before any tick
        return;
    }
    win::host::advanceTickCount(kClockStepMilliseconds);
}

void beforeTick(void* context, bool removedMessage) {
    DriverState& state = *static_cast<DriverState*>(context);
    prepareTick(state, removedMessage);
    state.tickStartProcessorNanoseconds = processorNanoseconds();
}

void afterTick(void* context, bool /*removedMessage*/, bool tickAccepted) {
    DriverState& state = *static_cast<DriverState*>(context);
    if (!tickAccepted) return;
    state.slowestTickProcessorNanoseconds =
        std::max(state.slowestTickProcessorNanoseconds, processorNanoseconds() - state.tickStartProcessorNanoseconds);
    ++state.framesRun;
    state.passesSinceFrame = 0;
    state.updateNanoseconds.push_back(state.programRun->lastFrameTiming.updateNanoseconds);
    state.drawNanoseconds.push_back(state.programRun->lastFrameTiming.drawNanoseconds);
    if (state.trace != nullptr) shell::writeTraceRows(state.trace, *state.programRun, state.framesRun);
    const DriverOptions& o = *state.options;
    const bool everyDue = o.screenshotEvery != 0 && state.framesRun % o.screenshotEvery == 0;
    const bool finalDue = !o.screenshotPath.empty() && state.framesRun == o.frames;
    state.captureDue = everyDue || finalDue;
}

double slowestFrameMilliseconds(const std::vector<uint64_t>& update, const std::vector<uint64_t>& draw) {
    uint64_t slowest = 0;
    for (std::size_t i = 0; i < update.size() && i < draw.size(); ++i) slowest = std::max(slowest, update[i] + draw[i]);
    return static_cast<double>(slowest) / 1e6;
}

double medianMilliseconds(std::vector<uint64_t>& values) {
    if (values.empty()) return 0.0;
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    return static_cast<double>(values[middle]) / 1e6;
}

}  // namespace

RunSummary runDriver(const DriverOptions& options, const std::vector<InputEvent>& events, shell::ProgramRun& programRun,
                     const shell::Program& program, std::FILE* trace) {
    DriverState state;
    state.options = &options;
    state.events = &events;
    state.programRun = &programRun;
    state.trace = trace;
    const uint32_t reserve = std::min(options.frames, kReservedTimings);
    state.updateNanoseconds.reserve(reserve);
    state.drawNanoseconds.reserve(reserve);

    win::host::useHeadlessBackend();
    // The clock and the frame gate as a new process has them, whatever ran before in this one.
    win::host::setTickCount(0);
    programRun.lastTickTime = 0;
    if (trace != nullptr) shell::writeTraceHeader(trace, program);

    RunSummary summary;
    summary.exitCode = shell::runEntry(program, programRun, shell::programInstance(program), win::SW_SHOWDEFAULT,
                                       {&state, beforeTick, afterTick});
    summary.windowCreated = programRun.window() != nullptr;
    // A run that ended before its last frame (close, Escape, Exit) still gets its final
    // screenshot: the last image presented.
    if (summary.windowCreated && !options.screenshotPath.empty() && state.framesRun < options.frames) {
        writeScreenshot(state, options.screenshotPath);
    }
    summary.framesRun = state.framesRun;
    summary.agentsAtEnd = programRun.agentCount();
    summary.slowestFrameMilliseconds = slowestFrameMilliseconds(state.updateNanoseconds, state.drawNanoseconds);
    summary.slowestFrameProcessorMilliseconds = static_cast<double>(state.slowestTickProcessorNanoseconds) / 1e6;
    summary.medianUpdateMilliseconds = medianMilliseconds(state.updateNanoseconds);
    summary.medianDrawMilliseconds = medianMilliseconds(state.drawNanoseconds);
    summary.screenshotsWritten = state.screenshotsWritten;
    summary.stalled = state.stalled;
    if (trace != nullptr) {
        std::fprintf(trace, "# frames=%" PRIu32 " agents=%d median_update_ms=%.4f median_draw_ms=%.4f\n",
                     summary.framesRun, summary.agentsAtEnd, summary.medianUpdateMilliseconds,
                     summary.medianDrawMilliseconds);
    }
    return summary;
}

std::string summaryLine(const std::string& programName, const RunSummary& s) {
    char line[256];
    std::snprintf(line, sizeof line,
                  "%s: %" PRIu32
                  " frames, %d agents at the end, median update %.4f ms, median draw %.4f ms per frame, slowest frame "
                  "%.3f ms (processor time %.3f ms)",
                  programName.c_str(), s.framesRun, s.agentsAtEnd, s.medianUpdateMilliseconds,
                  s.medianDrawMilliseconds, s.slowestFrameMilliseconds, s.slowestFrameProcessorMilliseconds);
    return line;
}

}  // namespace headless
