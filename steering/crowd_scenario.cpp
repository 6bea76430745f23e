#include "steering/crowd_scenario.h"

#include <cmath>

#include "steering/agent.h"
#include "steering/agent_list.h"
#include "steering/world.h"
#include "world/grid_map.h"

namespace steering {
namespace {

constexpr int kFirstCell = 1;          // cells 0 and 127 hold the map's wall ring
constexpr int kLastCell = 126;
constexpr int kCellUnits = 256;        // world units per map cell
constexpr int kAgentsPerPress = 5;     // Insert adds five identical agents
constexpr int kPressesPerRow = 5;      // presses of one crowd on a 5-wide grid
constexpr int kPressSpacing = 24;      // world units between neighbouring presses
constexpr int kSearchReach = 6;        // cells searched around a lattice point

bool openAround(const GridMap& map, int column, int row) {
    for (int dr = -1; dr <= 1; ++dr) {
        for (int dc = -1; dc <= 1; ++dc) {
            if (map.cellAt(static_cast<uint32_t>(column + dc), static_cast<uint32_t>(row + dr)) != 0) return false;
        }
    }
    return true;
}

}  // namespace

std::vector<FixedVec> openCrowdPoints(const GridMap& map, int count) {
    std::vector<FixedVec> points;
    if (count <= 0) return points;
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const double step = static_cast<double>(kLastCell - kFirstCell) / side;
    for (int j = 0; j < side && static_cast<int>(points.size()) < count; ++j) {
        for (int i = 0; i < side && static_cast<int>(points.size()) < count; ++i) {
            const int column = kFirstCell + static_cast<int>((i + 0.5) * step);
            const int row = kFirstCell + static_cast<int>((j + 0.5) * step);
            // The nearest open cell in growing squares around the lattice point.
            bool found = false;
            for (int reach = 0; reach <= kSearchReach && !found; ++reach) {
                for (int dr = -reach; dr <= reach && !found; ++dr) {
                    for (int dc = -reach; dc <= reach && !found; ++dc) {
                        const int c = column + dc;
                        const int r = row + dr;
                        if (c <= kFirstCell || r <= kFirstCell || c >= kLastCell || r >= kLastCell) continue;
                        if (!openAround(map, c, r)) continue;
                        points.push_back({toFixed(c * kCellUnits + kCellUnits / 2), toFixed(r * kCellUnits + kCellUnits / 2)});
                        found = true;
                    }
                }
            }
        }
    }
    return points;
}

int insertCrowds(World& world, const std::vector<FixedVec>& points, int size) {
    const int presses = (size + kAgentsPerPress - 1) / kAgentsPerPress;
    int inserted = 0;
    for (const FixedVec& point : points) {
        for (int press = 0; press < presses; ++press) {
            const int across = press % kPressesPerRow - kPressesPerRow / 2;
            const int down = press / kPressesPerRow - (presses / kPressesPerRow) / 2;
            Agent agentTemplate;
            makeAgentTemplate(agentTemplate, world.agentRandom);
            agentTemplate.place(point + FixedVec{toFixed(across * kPressSpacing), toFixed(down * kPressSpacing)}, {0, 0});
            for (int k = 0; k < kAgentsPerPress; ++k) world.agentList.add(agentTemplate);
            inserted += kAgentsPerPress;
        }
    }
    return inserted;
}

}  // namespace steering
