// The three programs in one WebAssembly module for the page: the page names the program
// (its first argument), the canvas becomes its window, and the browser runs its loop.
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/host.h"
#include "platform/web/web_backend.h"
#include "shell/program_entry.h"
#include "tools/headless/driver.h"

namespace {

// The program's run and the entry's loop state: made once, handed to the browser's loop as
// its context, alive until the page goes.
struct WebRun {
    std::unique_ptr<shell::ProgramRun> programRun;
    shell::EntryRun entry;
};

bool loopPass(void* context, bool* tickAccepted) {
    shell::EntryRun& entry = static_cast<WebRun*>(context)->entry;
    const bool running = shell::runLoopPass(entry);
    *tickAccepted = entry.tickAccepted;
    return running;
}

int finish(void* context) { return shell::finishEntry(static_cast<WebRun*>(context)->entry); }

// The same program from its start, as a new process would run it: a new run of the
// program, no window, class or message of the ended run, the gate open.
bool restart(void* context) {
    WebRun& web = *static_cast<WebRun*>(context);
    const shell::Program* program = web.entry.program;
    if (program == nullptr) return false;
    win::host::resetWindowSystem();
    web.programRun = program->makeRun();
    web.entry = shell::EntryRun{};
    return win::web::useWebBackend() &&
           shell::startEntry(*program, *web.programRun, shell::programInstance(*program), win::SW_SHOWDEFAULT, web.entry);
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
    // Outlives main: the browser keeps calling the loop after main has returned.
    auto* web = new WebRun{program->makeRun(), {}};
    if (!shell::startEntry(*program, *web->programRun, shell::programInstance(*program), win::SW_SHOWDEFAULT, web->entry)) {
        std::fprintf(stderr, "web: %s: the main window could not be created\n", name);
        return 1;
    }
    // The gate takes a tick once the clock has moved on by more than its interval.
    win::web::runLoop({loopPass, finish, web, restart, shell::kFrameGateMilliseconds + 1.0});
    return 0;
}
