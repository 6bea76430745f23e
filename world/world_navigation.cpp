#include "world/world_navigation.h"

#include "navigation/route_planning.h"

namespace steering {

void requestWorldPath(Terrain& terrain, nav::PathResult& result, int fromX, int fromY, int toX, int toY,
                      int gateFraction) {
    nav::requestAgentPath(terrain.navMesh, terrain.routeSearch, result, fromX, fromY, toX, toY, gateFraction);
}

}  // namespace steering
