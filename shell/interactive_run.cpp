#include "shell/interactive_run.h"

#include <cstdio>

#include "platform/host.h"
#include "shell/session_record.h"

namespace shell {

namespace {

constexpr int kExitNoDisplay = 1;
constexpr int kExitSessionFiles = 1;
constexpr int kExitUsage = 2;

}  // namespace

int runInteractive(const Program& program, int argc, char** argv, bool (*openBackend)(), MapOption useMap,
                   RecordHeader recordHeader) {
    const std::unique_ptr<ProgramRun> programRun = program.makeRun();
    return runInteractive(program, *programRun, argc, argv, openBackend, useMap, recordHeader);
}

int runInteractive(const Program& program, ProgramRun& programRun, int argc, char** argv, bool (*openBackend)(),
                   MapOption useMap, RecordHeader recordHeader) {
    SessionOptions options;
    std::string error;
    if (!parseSessionOptions(argc, argv, useMap != nullptr, options, error)) {
        std::fprintf(stderr, "%s: %s\n", program.name, error.c_str());
        return kExitUsage;
    }
    if (!options.mapPath.empty() && !useMap(programRun, options.mapPath, error)) {
        std::fprintf(stderr, "%s: %s\n", program.name, error.c_str());
        return kExitUsage;
    }
    // Without a display there is nothing to show; the backend has said why on stderr.
    if (!openBackend()) return kExitNoDisplay;
    if (recordHeader != nullptr && !options.recordPath.empty()) options.recordHeader = recordHeader(programRun);
    Session session;
    if (!startSession(program, programRun, options, session, error)) {
        std::fprintf(stderr, "%s: %s\n", program.name, error.c_str());
        return kExitUsage;
    }
    const int code =
        runEntry(program, programRun, programInstance(program), win::SW_SHOWDEFAULT, sessionObserver(session));
    if (!finishSession(session)) return code != 0 ? code : kExitSessionFiles;
    return code;
}

}  // namespace shell
