// The scale scene: crowds at open points spread over the real map, inserted as Insert does,
// push apart and stay inside the map's wall ring.
#include "steering/crowd_scenario.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "steering_test_world.h"
#include "world/map_install.h"
#include "world/obstacles.h"

namespace steering {
namespace {

using test::inUnits;

class CrowdScenario : public test::WorldTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(world.gridMap.load(STEERING_RESOURCE_DIR "/maptest.raw"));
        extractObstacles(world);
    }
};

TEST_F(CrowdScenario, HundredOpenPointsSpreadOverTheMap) {
    const std::vector<FixedVec> points = openCrowdPoints(world.gridMap, kScaleCrowds);
    ASSERT_EQ(points.size(), 100u);
    std::set<std::pair<int, int>> cells;
    int leftmost = 127, rightmost = 0, topmost = 127, bottommost = 0;
    for (const FixedVec& p : points) {
        // The centre of a cell: whole units 128 past a multiple of 256.
        ASSERT_EQ(p.x % (256 << 16), 128 << 16);
        ASSERT_EQ(p.y % (256 << 16), 128 << 16);
        const int c = p.x / (256 << 16);
        const int r = p.y / (256 << 16);
        ASSERT_TRUE(c >= 2 && c <= 125 && r >= 2 && r <= 125) << c << "," << r;
        for (int dr = -1; dr <= 1; ++dr) {
            for (int dc = -1; dc <= 1; ++dc) ASSERT_EQ(world.gridMap.cellAt(c + dc, r + dr), 0) << c + dc << "," << r + dr;
        }
        cells.insert({c, r});
        leftmost = std::min(leftmost, c);
        rightmost = std::max(rightmost, c);
        topmost = std::min(topmost, r);
        bottommost = std::max(bottommost, r);
    }
    EXPECT_EQ(cells.size(), 100u) << "no two crowds share a cell";
    // A 10 x 10 lattice over cells 1..126: the outer points lie near the map's edges.
    EXPECT_LT(leftmost, 15);
    EXPECT_GT(rightmost, 112);
    EXPECT_LT(topmost, 15);
    EXPECT_GT(bottommost, 112);
}

TEST_F(CrowdScenario, CrowdsPushApartAndStayOnTheMap) {
    const std::vector<FixedVec> points = openCrowdPoints(world.gridMap, 4);
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(insertCrowds(world, points, 100), 400);
    ASSERT_EQ(world.agentList.size(), 400u);
    for (int step = 0; step < 120; ++step) world.agentList.updateAll();
    // The first crowd's agents (the first 100 of the list) no longer stand within the
    // 48-unit square of its presses, and no agent has left cells 1..126.
    double spread = 0.0;
    int index = 0;
    for (const Agent& agent : world.agentList) {
        const double x = inUnits(agent.position.x);
        const double y = inUnits(agent.position.y);
        ASSERT_TRUE(x >= 256.0 && y >= 256.0 && x <= 32512.0 && y <= 32512.0) << x << "," << y;
        if (index++ < 100) {
            spread = std::max({spread, std::abs(x - inUnits(points[0].x)), std::abs(y - inUnits(points[0].y))});
        }
    }
    EXPECT_GT(spread, 150.0);
}

}  // namespace
}  // namespace steering
