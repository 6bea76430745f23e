#include "platform/sdl/sdl_backend.h"
#include "programs/steering_walls/walls_program.h"
#include "shell/interactive_run.h"

int main(int argc, char** argv) {
    return shell::runInteractive(steering_walls::program(), argc, argv, win::sdl::useSdlBackend, nullptr);
}
