// The programs the driver can host. Each keeps its process-wide state in its own
// namespace, so all three link into one driver.
#include <string_view>

#include "shell/steering_program.h"
#include "tools/headless/driver.h"
#if __has_include("programs/steering_walls/walls_program.h")
#include "programs/steering_walls/walls_program.h"
#define HEADLESS_HAVE_WALLS 1
#endif
#if __has_include("programs/steering_basic/basic_program.h")
#include "programs/steering_basic/basic_program.h"
#define HEADLESS_HAVE_BASIC 1
#endif

namespace headless {

const shell::Program* findProgram(std::string_view name) {
    if (name == "steering") return &steering::steeringProgram;
#ifdef HEADLESS_HAVE_WALLS
    if (name == "steering_walls") return &steering_walls::program();
#endif
#ifdef HEADLESS_HAVE_BASIC
    if (name == "steering_basic") return &steering_basic::program();
#endif
    return nullptr;
}

}  // namespace headless
