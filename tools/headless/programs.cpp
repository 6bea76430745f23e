// The programs the driver can host. Each keeps its process-wide state in its own
// namespace, so all three link into one driver.
#include <string_view>

#include "programs/steering_basic/basic_program.h"
#include "programs/steering_walls/walls_program.h"
#include "programs/steering/steering_program.h"
#include "tools/headless/driver.h"

namespace headless {

const shell::Program* findProgram(std::string_view name) {
    if (name == "steering") return &steering::steeringProgram;
    if (name == "steering_walls") return &steering_walls::program();
    if (name == "steering_basic") return &steering_basic::program();
    return nullptr;
}

}  // namespace headless
