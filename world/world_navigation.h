#pragma once
// The world's classic path request: nav::request_agent_path on the terrain's mesh and
// search state.
#include "navigation/navigation.h"
#include "world/terrain.h"

namespace steering {

void requestWorldPath(Terrain& terrain, nav::PathResult& result, int fromX, int fromY, int toX, int toY,
                      int gateFraction);

}  // namespace steering
