#include "world/world_setup.h"

#include "navigation/navigation.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "world/view_state.h"

namespace steering {

namespace {

constexpr const char* kMapFile = "maptest.raw";
constexpr uint32_t kNeighbourGridSide = 128;  // buckets of 512 world units over the 65,536-unit map
constexpr Fixed kObstacleRadius = 0x8C0000;  // 140.0 world units
// Markers are scanned in rows and columns 0..126: agents cannot reach beyond.
constexpr uint32_t kMarkerScanEnd = 127;
// The first agent stands under pixel (100, 300) of the starting view.
constexpr double kFirstAgentPixelX = 100.0;
constexpr double kFirstAgentPixelYFixed = 19660800.0;  // 300 pixels as 16.16

}  // namespace

void extractObstacles() {
    for (uint32_t r = 0; r < kMarkerScanEnd; ++r) {
        for (uint32_t c = 0; c < kMarkerScanEnd; ++c) {
            if (gridMap.cellAt(c, r) != kObstacleMarkerType) continue;
            const Obstacle obstacle{truncToInt((c * 65536.0 + 32768.0) * gridMap.cellWidth),
                                    truncToInt((r * 65536.0 + 32768.0) * gridMap.cellHeight), kObstacleRadius};
            obstacleList.add(obstacle);
            gridMap.cells()[static_cast<std::size_t>(r) * gridMap.width + c] = 1;
        }
    }
}

bool setupWorld() {
    if (gridMap.init(kMapSide, kMapSide)) gridMap.load(kMapFile);
    neighbourGrid.init(kNeighbourGridSide, kNeighbourGridSide);
    extractObstacles();

    nav::cellLinkRule = sameCellType;
    if (gridMap.cells() != nullptr) nav::build_navigation(gridMap.cells());

    Agent agentTemplate;
    makeAgentTemplate(agentTemplate);
    const FixedVec start{truncToInt(truncToInt(kFirstAgentPixelX * 65536.0) * view.viewScaleX),
                         truncToInt(view.viewScaleY * kFirstAgentPixelYFixed)};
    agentTemplate.place(start, FixedVec{0, 0});
    agentList.add(agentTemplate);
    agentList.setTargetAll(FixedVec{0, 0});
    return true;
}

}  // namespace steering
