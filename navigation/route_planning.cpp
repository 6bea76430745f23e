// Path queries: for now answers "no path" while the corridor search is written.
#include "navigation/navigation.h"

namespace nav {

void request_agent_path(PathResult& result, int fromX, int fromY, int toX, int toY, int gateFraction) {
    (void)gateFraction;
    result.fromX = fromX;
    result.fromY = fromY;
    result.toX = toX;
    result.toY = toY;
    result.waypointCount = 0;
}

}  // namespace nav
