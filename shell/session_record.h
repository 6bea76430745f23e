#pragma once
// What an interactive run can keep of itself: --record FILE writes every input message the
// window handled as a line of the headless driver's input format, numbered by the frame
// before which it arrived, so steering_headless PROGRAM --input FILE replays the session;
// --trace FILE writes the driver's per-agent CSV rows for every frame.
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/win.h"
#include "shell/program_entry.h"

namespace shell {

// Room for one recorded line: the longest is a dropped file's path, escaped (up to three
// characters per byte of a 1,024-byte path).
constexpr int kRecordLineSize = 3200;

// The input-file line for a window message handled before the given (1-based) frame, with
// its line end; 0 for messages that are not input (paint, quit, ...). A line that would not
// fit (a dropped path beyond the platform's limit) gives 0 too.
int recordedLine(const win::MSG& message, uint32_t frame, char* line, int size);

// The driver's trace rows: header "frame,index,x,y,vx,vy[,extra]" and one row per agent.
void writeTraceHeader(std::FILE* trace, const Program& program);
void writeTraceRows(std::FILE* trace, const ProgramRun& programRun, uint32_t frame);

// Command-line options shared by the three interactive programs.
struct SessionOptions {
    std::string recordPath;  // empty: no recording
    // A comment line the recording starts with after its first (the map it was made with,
    // "# map ..."), without the line end; empty: none.
    std::string recordHeader;
    std::string tracePath;   // empty: no trace
    std::string mapPath;     // steering only; empty: "maptest.raw"
};
// Parses argv; allowMap says whether --map is accepted. False with a one-line error.
bool parseSessionOptions(int argc, char** argv, bool allowMap, SessionOptions& options, std::string& error);

// One recorded session: its files and the frames counted so far. The interactive run
// owns it and hands the entry its observer.
struct Session {
    const ProgramRun* programRun = nullptr;
    std::FILE* record = nullptr;
    std::FILE* trace = nullptr;
    uint32_t framesRun = 0;  // accepted ticks so far
    char line[kRecordLineSize] = {};
};

// Opens the files into the session; false with a one-line error (no file left open) when
// one cannot be created.
bool startSession(const Program& program, const ProgramRun& programRun, const SessionOptions& options,
                  Session& session, std::string& error);
// The loop observer that writes the session's files, for runEntry.
LoopObserver sessionObserver(Session& session);
// Flushes and closes the files; false when a write failed (said on stderr).
bool finishSession(Session& session);

}  // namespace shell
