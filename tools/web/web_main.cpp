// The three programs in one WebAssembly module for the page: the page names the program
// (its first argument), the canvas becomes its window, and the browser runs its loop.
#include <cstdio>
#include <cstring>

#include "platform/host.h"
#include "platform/web/web_backend.h"
#include "shell/program_entry.h"
#include "tools/headless/driver.h"

namespace {

shell::EntryRun run;

bool loopPass(void*, bool* tickAccepted) {
    const bool running = shell::runLoopPass(run);
    *tickAccepted = run.tickAccepted;
    return running;
}

int finish(void*) { return shell::finishEntry(run); }

// The same program from its start, as a new process would run it: no window, class or
// message of the ended run, the gate open, the world set up afresh.
bool restart(void*) {
    const shell::Program* program = run.program;
    if (program == nullptr) return false;
    win::host::resetWindowSystem();
    shell::lastTickTime = 0;
    return win::web::useWebBackend() &&
           shell::startEntry(*program, shell::programInstance(*program), win::SW_SHOWDEFAULT, run);
}

}  // namespace

int main(int argc, char** argv) {
    const char* name = argc > 1 ? argv[1] : "steering";
    const shell::Program* program = headless::findProgram(name);
    if (program == nullptr) {
        std::fprintf(stderr, "web: no program named '%s' (steering, steering_walls, steering_basic)\n", name);
        return 2;
    }
    if (!win::web::useWebBackend()) return 1;
    if (!shell::startEntry(*program, shell::programInstance(*program), win::SW_SHOWDEFAULT, run)) {
        std::fprintf(stderr, "web: %s: the main window could not be created\n", name);
        return 1;
    }
    // The gate takes a tick once the clock has moved on by more than its interval.
    win::web::runLoop({loopPass, finish, nullptr, restart, shell::kFrameGateMilliseconds + 1.0});
    return 0;
}
