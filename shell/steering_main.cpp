// The steering program's process entry: an SDL window, then the shared entry steps.
// Nothing is read from the command line.
#include "platform/host.h"
#include "platform/sdl/sdl_backend.h"
#include "shell/program_entry.h"
#include "shell/steering_program.h"

int main() {
    // Without a display there is nothing to show; the backend has said why on stderr,
    // and the exit code tells scripts that the program did not run.
    if (!win::sdl::useSdlBackend()) return 1;
    return shell::runEntry(steering::steeringProgram, win::host::programInstance("steering"), win::SW_SHOWDEFAULT);
}
