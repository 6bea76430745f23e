#include "platform/sdl/sdl_backend.h"
#include "programs/steering_basic/basic_program.h"
#include "shell/interactive_run.h"

int main(int argc, char** argv) {
    return shell::runInteractive(steering_basic::program(), argc, argv, win::sdl::useSdlBackend, nullptr);
}
