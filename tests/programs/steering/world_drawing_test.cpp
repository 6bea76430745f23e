// What the world looks like on a 640 x 480 headless surface: wall cells, the occupancy
// shades of the neighbour grid, obstacles and agents with their overlays and culling.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <vector>

#include "platform/gdi_objects.h"
#include "platform/raster.h"
#include "steering/agent.h"
#include "steering/agent_list.h"
#include "programs/steering/drawing_resources.h"
#include "programs/steering/map_editing.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "programs/steering/agent_drawing.h"
#include "programs/steering/view_state.h"
#include "programs/steering/world_drawing.h"
#include "programs/steering/steering_run.h"

namespace steering {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kBackground = 0x808080;  // neither of the outline colours
constexpr uint32_t kGreen = 0x00C800;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kMagenta = 0xFF00FF;
constexpr uint32_t kTeal = 0x00C8C8;
constexpr uint32_t kOrange = 0xFF8248;

Fixed units(double u) { return static_cast<Fixed>(u * 65536.0); }

class DrawingTest : public ::testing::Test {
protected:
    std::unique_ptr<SteeringRun> runOwner = std::make_unique<SteeringRun>();  // a new run: no map, no agents
    SteeringRun& run() { return *runOwner; }
    World& world() { return *runOwner->world; }

    void SetUp() override {
        pixels.assign(static_cast<std::size_t>(kWidth) * kHeight, kWhite);
        canvas = win::raster::Canvas{pixels.data(), kWidth, kHeight, kWidth};
        dc = win::makeDeviceContext(canvas);
        // The running program leaves the blue pen selected before the map is drawn.
        win::SelectObject(dc, run().drawing.bluePen);
    }
    void TearDown() override {
        win::destroyDeviceContext(dc);
    }
    void fill(uint32_t colour) { std::fill(pixels.begin(), pixels.end(), colour); }
    uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * kWidth + x]; }
    int countOf(uint32_t colour) const { return static_cast<int>(std::count(pixels.begin(), pixels.end(), colour)); }
    // The first pixel from x0 toward x1 on row y that differs from the background.
    uint32_t firstNot(uint32_t background, int y, int x0, int x1) const {
        const int step = x1 > x0 ? 1 : -1;
        for (int x = x0; x != x1; x += step) {
            if (at(x, y) != background) return at(x, y);
        }
        return background;
    }

    std::vector<uint32_t> pixels;
    win::raster::Canvas canvas;
    win::HDC dc = nullptr;
    const WorldRect startView{0, 0, 9600, 7200};
};

TEST_F(DrawingTest, EditOutlineFramesTheHoveredCellsEdges) {
    // One world unit per pixel from (2550, 2550): cell (10, 10) spans pixels 10..266.
    run().view.viewOriginX = run().view.viewOriginY = 2550.0;
    run().view.viewScaleX = run().view.viewScaleY = run().view.viewInvScaleX = run().view.viewInvScaleY = 1.0;
    fill(kBackground);
    run().mapEdit = MapEditState{};
    run().mapEdit.editing = run().mapEdit.hovering = true;
    run().mapEdit.hoverCell = {10, 10};
    // A pen of our own, whatever an earlier test did to the program's.
    const win::HPEN programPen = run().drawing.magentaPen;
    run().drawing.magentaPen = win::CreatePen(win::PS_SOLID, 1, win::RGB(255, 0, 255));
    drawMapEditOverlay(run(), dc);
    win::DeleteObject(run().drawing.magentaPen);
    run().drawing.magentaPen = programPen;
    run().mapEdit = MapEditState{};
    for (const auto& [x, y] : {std::pair{10, 100}, {266, 100}, {100, 10}, {100, 266}}) {
        EXPECT_EQ(at(x, y), kMagenta) << x << "," << y;
    }
    for (const auto& [x, y] : {std::pair{9, 100}, {265, 100}, {267, 100}, {100, 265}, {100, 267}}) {
        EXPECT_EQ(at(x, y), kBackground) << x << "," << y;
    }
}

TEST_F(DrawingTest, MessageLineHasItsOwnBandAndGoesAfterItsTime) {
    // Over a window full of walls the line is black text on the band, across the width.
    fill(kGreen);
    run().mapEdit = MapEditState{};
    showStatus(run(), "saved map \"x.raw\"");
    drawMapEditOverlay(run(), dc);
    constexpr uint32_t kBand = 0xFFFACD;
    int text = 0, band = 0, other = 0;
    for (int y = 459; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t p = at(x, y);
            (p == kBand ? band : p == kBlack ? text : other) += 1;
        }
    }
    EXPECT_EQ(other, 0);
    EXPECT_GT(text, 50);
    EXPECT_GT(band, 15 * kWidth);
    for (int x = 0; x < kWidth; x += 40) EXPECT_EQ(at(x, 458), kBlack) << x;  // its top edge
    EXPECT_EQ(at(300, 457), kGreen);
    // The last frame it shows is the kStatusFrames-th; then the walls show again.
    for (int frame = 1; frame < kStatusFrames; ++frame) drawMapEditOverlay(run(), dc);
    fill(kGreen);
    drawMapEditOverlay(run(), dc);
    EXPECT_EQ(countOf(kGreen), kWidth * kHeight);
    run().mapEdit = MapEditState{};
}

// ---- The map ------------------------------------------------------------------------------

class MapDrawingTest : public DrawingTest {
protected:
    void SetUp() override {
        DrawingTest::SetUp();
        ASSERT_TRUE(world().gridMap.init(256, 256));
    }
    void setByte(int column, int row, uint8_t value) { world().gridMap.cells()[row * 256 + column] = value; }
};

TEST_F(MapDrawingTest, WallCellZeroIsTheRectangleFromOriginTo18) {
    setByte(0, 0, 15);
    drawGridMap(run(), dc, world().gridMap, startView);
    EXPECT_EQ(at(8, 8), kGreen);
    // Outlined with the pen that happens to be selected, right and bottom edges exclusive.
    EXPECT_EQ(at(0, 8), kBlue);
    EXPECT_EQ(at(17, 8), kBlue);
    EXPECT_EQ(at(8, 17), kBlue);
    EXPECT_EQ(at(18, 8), kWhite);
    EXPECT_EQ(at(8, 18), kWhite);
    EXPECT_EQ(countOf(kGreen) + countOf(kBlue), 18 * 18);
}

TEST_F(MapDrawingTest, OnlyWallTypesInViewAreDrawn) {
    setByte(2, 1, 0x1F);   // a wall by its low bits
    setByte(4, 1, 14);     // a marker: not drawn
    setByte(3, 1, 2);
    setByte(60, 1, 15);    // beyond the view
    drawGridMap(run(), dc, world().gridMap, startView);
    // Cell (2, 1) spans pixels 34..51 by 17..34.
    EXPECT_EQ(at(42, 25), kGreen);
    EXPECT_EQ(at(59, 25), kWhite);
    EXPECT_EQ(at(76, 25), kWhite);
    EXPECT_EQ(countOf(kGreen) + countOf(kBlue), 18 * 18);
}

TEST_F(MapDrawingTest, ZoomedOutViewStaysInsideTheMap) {
    setByte(255, 255, 15);
    run().view.viewScaleX = run().view.viewScaleY = 200.0;
    run().view.viewInvScaleX = run().view.viewInvScaleY = 1.0 / 200.0;
    run().view.viewOriginX = run().view.viewOriginY = -1000.0;
    drawGridMap(run(), dc, world().gridMap, WorldRect{-1000, -1000, 127000, 95000});
    // Cell (255, 255) starts at 65280 units: pixel 331.
    EXPECT_EQ(at(332, 332), kBlue);
}

// ---- The neighbour grid overlay ---------------------------------------------------------

TEST_F(DrawingTest, OccupancyShadesAndGridLines) {
    ASSERT_TRUE(world().neighbourGrid.init(128, 128));
    std::deque<Agent> agents;
    auto add = [&](double x, double y) {
        agents.emplace_back();
        agents.back().position = {units(x), units(y)};
        agents.back().radius = units(50);
        world().neighbourGrid.insertAgent(&agents.back(), agents.back().position, agents.back().radius);
    };
    add(700, 700);  // cell (1, 1): two agents and one obstacle
    add(800, 800);
    const Obstacle obstacle{units(900), units(700), units(40)};
    world().neighbourGrid.insertObstacle(&obstacle);
    add(1800, 300);  // cell (3, 0): one agent
    for (int i = 0; i < 9; ++i) add(2800, 300);  // cell (5, 0): nine
    drawNeighbourGrid(run(), dc, world().neighbourGrid, startView);
    // Cell (1, 1) spans pixels 34..68: grey 160.
    EXPECT_EQ(at(50, 50), 0xA0A0A0u);
    EXPECT_EQ(at(34, 50), kBlue);
    // Cell (3, 0) spans 102..136: grey 224; cell (5, 0) spans 170..204: black.
    EXPECT_EQ(at(120, 20), 0xE0E0E0u);
    EXPECT_EQ(at(190, 20), kBlack);
    // Empty cells keep the background between the lines; every cell border has its line.
    EXPECT_EQ(at(90, 50), kWhite);
    EXPECT_EQ(at(68, 300), kBlue);   // column 2 at 1024 / 15 = 68.27
    EXPECT_EQ(at(300, 68), kBlue);
    EXPECT_EQ(at(639, 68), kBlue);   // lines run across the whole client area
}

// ---- Obstacles ------------------------------------------------------------------------------

TEST_F(DrawingTest, ObstacleIsAnOrangeDiscWithABlackOutline) {
    ASSERT_TRUE(world().neighbourGrid.init(128, 128));
    world().obstacleList.add(Obstacle{units(2688), units(5248), units(140)}, world().neighbourGrid);
    drawObstacles(run(), dc, startView);
    // Centre pixel (179, 349); radius about 9 pixels.
    EXPECT_EQ(at(179, 349), kOrange);
    EXPECT_EQ(firstNot(kWhite, 349, 160, 179), kBlack);
    EXPECT_EQ(at(165, 349), kWhite);
}

TEST_F(DrawingTest, ObstacleCullingIsStrict) {
    ASSERT_TRUE(world().neighbourGrid.init(128, 128));
    world().obstacleList.add(Obstacle{units(1000), units(1000), units(140)}, world().neighbourGrid);  // square 860..1140
    drawObstacles(run(), dc, WorldRect{1140, 0, 9600, 7200});
    EXPECT_EQ(countOf(kOrange), 0);
    drawObstacles(run(), dc, WorldRect{0, 1140, 9600, 7200});
    EXPECT_EQ(countOf(kOrange), 0);
    drawObstacles(run(), dc, WorldRect{0, 0, 860, 7200});
    EXPECT_EQ(countOf(kOrange), 0);
    drawObstacles(run(), dc, WorldRect{1139, 1139, 9600, 7200});
    EXPECT_GT(countOf(kOrange), 0);
}

// ---- Agents -------------------------------------------------------------------------------

class AgentDrawingTest : public DrawingTest {
protected:
    void SetUp() override {
        DrawingTest::SetUp();
        agent.position = {units(1500), units(4500)};  // pixel (100, 300)
        agent.radius = units(150);                    // 10 pixels
        agent.maxForce = units(50);
        agent.maxSpeed = units(60);
        agent.mass = kFixedOne;
        fill(kBackground);
    }
    Agent agent;
};

TEST_F(AgentDrawingTest, IdleAgentIsATealDiscWithAWhiteOutline) {
    ASSERT_EQ(agent.pathProgress(), kFixedOne);
    drawAgent(run(), dc, agent);
    EXPECT_EQ(at(100, 300), kTeal);
    EXPECT_EQ(firstNot(kBackground, 300, 80, 100), kWhite);
    EXPECT_EQ(firstNot(kBackground, 300, 120, 100), kWhite);
    EXPECT_EQ(at(88, 300), kBackground);
}

TEST_F(AgentDrawingTest, FollowingAgentHasABlackOutline) {
    agent.pathDone = false;
    agent.pathCount = 3;
    agent.storedCount = 3;
    agent.pathLength = units(3000);
    agent.storedRemaining = units(3000);
    ASSERT_NE(agent.pathProgress(), kFixedOne);
    drawAgent(run(), dc, agent);
    EXPECT_EQ(firstNot(kBackground, 300, 80, 100), kBlack);
}

TEST_F(AgentDrawingTest, TrianglePointsAlongTheVelocity) {
    agent.velocity = {units(30), 0};
    run().debugFlags.showTriangles = true;
    drawAgent(run(), dc, agent);
    // Nose 1.2 radii ahead (pixel 112), rear corners one radius behind and aside.
    EXPECT_EQ(at(108, 300), kTeal);
    EXPECT_EQ(at(100, 308), kBackground);  // inside the disc, outside the triangle
    EXPECT_EQ(at(92, 306), kTeal);
    EXPECT_EQ(firstNot(kBackground, 300, 120, 100), kWhite);
}

TEST_F(AgentDrawingTest, TriangleAtRestCollapsesToAPoint) {
    run().debugFlags.showTriangles = true;
    drawAgent(run(), dc, agent);
    EXPECT_EQ(countOf(kTeal), 0);
    EXPECT_LE(static_cast<int>(pixels.size()) - countOf(kBackground), 1);
}

TEST_F(AgentDrawingTest, VelocityLineIsFifteenTimesTheVelocity) {
    agent.velocity = {units(30), 0};
    agent.heading = vecNormalise(agent.velocity);  // as the last step left them
    agent.side = vecPerp(agent.heading);
    run().debugFlags.showVectors = true;
    drawAgent(run(), dc, agent);
    // 450 units = 30 pixels to the right of the centre; the probe (two steps) is drawn
    // over its first pixels.
    EXPECT_EQ(at(102, 300), kBlack);  // the wall probe, two steps = 60 units ahead
    EXPECT_EQ(at(110, 300), kMagenta);
    EXPECT_EQ(at(128, 300), kMagenta);
    EXPECT_EQ(at(130, 300), kBackground);
    // The look-ahead box: sides one radius aside, out to radius + 300 units (30 pixels),
    // open at the agent's end. The stored heading is 65520 raw, a little short of one
    // unit, so the far corners land just inside pixel 130 and row 310.
    EXPECT_EQ(at(120, 290), kBlue);
    EXPECT_EQ(at(120, 309), kBlue);
    EXPECT_EQ(at(129, 295), kBlue);
    EXPECT_EQ(at(129, 300), kBlue);
    EXPECT_EQ(at(99, 305), kTeal);
}

TEST_F(AgentDrawingTest, PathOverlayShowsStoredWaypointsAndTheCurrentOne) {
    agent.pathDone = false;
    agent.pathCount = 3;
    agent.storedCount = 3;
    agent.waypointIndex = 1;
    agent.waypoints[0] = {units(1500), units(5400)};  // pixel (100, 360)
    agent.waypoints[1] = {units(3000), units(5400)};  // pixel (200, 360)
    agent.waypoints[2] = {units(3000), units(6300)};  // pixel (200, 420)
    run().debugFlags.showPaths = true;
    drawAgent(run(), dc, agent);
    EXPECT_EQ(at(150, 360), kBlack);
    EXPECT_EQ(at(200, 400), kBlack);
    // The blue line from the centre to waypoint 1, (100, 300) to (200, 360).
    EXPECT_EQ(at(150, 330), kBlue);

    fill(kBackground);
    agent.waypointIndex = agent.pathCount = 0;  // no path found: no blue line
    agent.storedCount = 0;
    drawAgent(run(), dc, agent);
    EXPECT_EQ(countOf(kBlue), 0);
}

TEST_F(AgentDrawingTest, NeighboursOverlayWritesTheStuckPercentage) {
    // Following a path and falling back in 8 of the last 15 steps: 34952 raw, 53.3 %, so
    // "53" ten pixels up and left of the centre (100, 300), over the agent as drawn without it.
    agent.pathDone = false;
    agent.pathCount = 3;
    agent.storedCount = 3;
    agent.pathLength = units(3000);
    agent.storedRemaining = units(3000);
    agent.progressHistory = 0xFF;
    run().debugFlags.showNeighbours = true;
    drawAgent(run(), dc, agent);
    const std::vector<uint32_t> drawn = pixels;
    fill(kBackground);
    run().debugFlags.showNeighbours = false;
    drawAgent(run(), dc, agent);
    win::TextOut(dc, 90, 290, "53", 2);
    EXPECT_TRUE(pixels == drawn);
}

TEST_F(AgentDrawingTest, DrawAllCullsByTheBoundingSquare) {
    ASSERT_TRUE(world().neighbourGrid.init(128, 128));
    world().agentList.add(agent);  // square 1350..1650 by 4350..4650
    drawAgents(run(), dc, world().agentList, WorldRect{1650, 0, 9600, 7200});
    drawAgents(run(), dc, world().agentList, WorldRect{0, 4650, 9600, 7200});
    EXPECT_EQ(countOf(kTeal), 0);
    drawAgents(run(), dc, world().agentList, WorldRect{1649, 4649, 9600, 7200});
    EXPECT_GT(countOf(kTeal), 0);
}

}  // namespace
}  // namespace steering
