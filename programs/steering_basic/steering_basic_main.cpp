#include "platform/host.h"
#include "platform/sdl/sdl_backend.h"
#include "programs/steering_basic/basic_program.h"

int main() {
    if (!win::sdl::useSdlBackend()) return 1;
    return shell::runEntry(steering_basic::program(), win::host::programInstance("steering_basic"), win::SW_SHOWDEFAULT);
}
