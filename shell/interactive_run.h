#pragma once
// The command line and session files every interactive program shares:
// PROGRAM [--record FILE] [--trace FILE] (steering also [--map FILE]).
#include <string>

#include "shell/program_entry.h"

namespace shell {

// Takes the map file named by --map before the world is set up; false with a one-line
// reason when the file cannot be used. Null for programs without a map.
using MapOption = bool (*)(ProgramRun& programRun, const std::string& path, std::string& reason);

// Parses the options, opens the display backend (openBackend, false when there is no
// display), starts the session files, runs the entry and closes the files. Exit codes:
// the program's own, 1 without a display or when a session file could not be written,
// 2 for a bad command line or an unusable map.
// recordHeader, when given, makes the recording's header line that names the map in use
// (called after --map was taken).
using RecordHeader = std::string (*)(const ProgramRun& programRun);
int runInteractive(const Program& program, int argc, char** argv, bool (*openBackend)(), MapOption useMap,
                   RecordHeader recordHeader = nullptr);
// The same in a run the caller made (and may have given its own options first).
int runInteractive(const Program& program, ProgramRun& programRun, int argc, char** argv, bool (*openBackend)(),
                   MapOption useMap, RecordHeader recordHeader = nullptr);

}  // namespace shell
