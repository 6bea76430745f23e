// Deletes the steering program's pens and brushes once, after the message loop, then
// releases the presentation objects.
#include "programs/steering/drawing_resources.h"
#include "programs/steering/steering_run.h"
#include "shell/program_entry.h"

namespace steering {

void SteeringRun::releaseDrawingResources() {
    deleteDrawingResources(drawing);
    shell::shutdownPresentation(presentation);
}

}  // namespace steering
