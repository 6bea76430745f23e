#pragma once
// The world's classic path request: nav::requestAgentPath on the terrain's mesh and
// search state.
#include "navigation/navigation.h"
#include "world/terrain.h"

namespace steering {

void requestWorldPath(Terrain& terrain, nav::PathResult& result, int fromX, int fromY, int toX, int toY,
                      int gateFraction);

}  // namespace steering
