#include "platform/host.h"
#include "platform/sdl/sdl_backend.h"
#include "programs/steering_walls/walls_program.h"

int main() {
    if (!win::sdl::useSdlBackend()) return 1;
    return shell::runEntry(steering_walls::program(), win::host::programInstance("steering_walls"), win::SW_SHOWDEFAULT);
}
