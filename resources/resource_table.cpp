// Finds a program's resources by its name.
#include <cstring>

#include "resources/program_resources.h"

namespace win::resources {

const ProgramResources* findProgramResources(const char* programName) {
    if (programName == nullptr) {
        return nullptr;
    }
    const ProgramResources* all[] = {&steeringResources(), &steeringWallsResources(), &steeringBasicResources()};
    for (const ProgramResources* resources : all) {
        if (std::strcmp(resources->programName, programName) == 0) {
            return resources;
        }
    }
    return nullptr;
}

}  // namespace win::resources
