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
                   std::string (*recordHeader)()) {
    SessionOptions options;
    std::string error;
    if (!parseSessionOptions(argc, argv, useMap != nullptr, options, error)) {
        std::fprintf(stderr, "%s: %s\n", program.name, error.c_str());
        return kExitUsage;
    }
    if (!options.mapPath.empty() && !useMap(options.mapPath, error)) {
        std::fprintf(stderr, "%s: %s\n", program.name, error.c_str());
        return kExitUsage;
    }
    // Without a display there is nothing to show; the backend has said why on stderr.
    if (!openBackend()) return kExitNoDisplay;
    if (recordHeader != nullptr && !options.recordPath.empty()) options.recordHeader = recordHeader();
    if (!startSession(program, options, error)) {
        std::fprintf(stderr, "%s: %s\n", program.name, error.c_str());
        return kExitUsage;
    }
    const int code = runEntry(program, programInstance(program), win::SW_SHOWDEFAULT);
    if (!finishSession()) return code != 0 ? code : kExitSessionFiles;
    return code;
}

}  // namespace shell
