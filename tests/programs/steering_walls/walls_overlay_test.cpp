// steering_walls' agent drawing with each overlay, and its occupancy shades, pixel for pixel
// against drawing calls worked out by hand.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/programs/image_checks.h"
#include "tools/headless/session.h"
#include "programs/steering_walls/walls_drawing.h"
#include "programs/steering_walls/walls_program.h"
#include "tests/programs/steering_walls/walls_fixture.h"

namespace steering_walls {
namespace {

using program_tests::pixelsAfter;
using program_tests::Tools;
using namespace win;

// An agent of radius 10 at (200, 150) moving (0, 4) per step: heading (0, 1), side (-1, 0).
WallsAgent agentMovingDown() {
    WallsAgent agent;
    agent.radius = 10.0;
    agent.position = DoubleVec{200.0, 150.0};
    agent.velocity = DoubleVec{0.0, 4.0};
    agent.heading = DoubleVec{0.0, 1.0};
    agent.side = DoubleVec{-1.0, 0.0};
    return agent;
}

class WallsOverlay : public WallsWorldTest {
protected:
    void SetUp() override {
        WallsWorldTest::SetUp();
        session = std::make_unique<headless::Session>(program());  // its window to draw into
    }
    void TearDown() override { session.reset(); }
    // The pens and brushes of the program's run; the test's own world (no other agent
    // near the drawn one: count 0) holds the flags and the grid.
    const WallsDrawingResources& drawing() const { return session->runAs<WallsRun>().drawing; }
    // An agent of the test's world moving down (not in its list).
    WallsAgent agentMovingDown() {
        WallsAgent agent = steering_walls::agentMovingDown();
        agent.world = &world();
        return agent;
    }
    std::unique_ptr<headless::Session> session;
};

TEST_F(WallsOverlay, AgentWithVectorsAndNeighbourCountIsTheseCalls) {
    const WallsAgent agent = agentMovingDown();
    Tools tools;
    struct Case {
        bool vectors, neighbours;
    };
    for (const Case c : {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
        world().overlayFlags.showVectors = c.vectors;
        world().overlayFlags.showNeighbours = c.neighbours;
        const auto drawn = pixelsAfter(*session->run(), [&](HDC dc) { drawAgent(agent, dc, drawing()); });
        const auto expected = pixelsAfter(*session->run(), [&](HDC dc) {
            tools.body(dc, 190, 140, 210, 160);
            if (c.vectors) {
                Tools::line(dc, tools.magenta, 200, 150, 200, 210);  // 15 steps of velocity
                Tools::line(dc, tools.blue, 200, 150, 200, 150);     // no behaviours: no force
                // Look-ahead box: 10 steps (40) plus the radius ahead, the radius to each side.
                MoveToEx(dc, 190, 150, nullptr);
                LineTo(dc, 190, 200);
                LineTo(dc, 210, 200);
                LineTo(dc, 210, 150);
                Tools::line(dc, tools.black, 200, 150, 200, 158);  // 2 steps of velocity
            }
            if (c.neighbours) {
                SetTextColor(dc, RGB(255, 0, 0));
                TextOut(dc, 190, 140, "0", 1);
            }
        });
        EXPECT_TRUE(drawn == expected) << "vectors " << c.vectors << ", neighbours " << c.neighbours;
    }
}

TEST_F(WallsOverlay, NeighbourCountCoversTheGridCellsWithinTwoRadii) {
    // At (60, 60) two radii reach the grid cells 1..2 (40 pixels each) both ways, not cell 0.
    WallsAgent agent = agentMovingDown();
    agent.position = DoubleVec{60.0, 60.0};
    for (const DoubleVec at : {DoubleVec{20.0, 20.0}, DoubleVec{95.0, 95.0}}) {
        WallsAgent other;
        other.position = at;
        createAgent(world(), other);
    }
    world().overlayFlags.showNeighbours = true;
    Tools tools;
    const auto drawn = pixelsAfter(*session->run(), [&](HDC dc) { drawAgent(agent, dc, drawing()); });
    const auto expected = pixelsAfter(*session->run(), [&](HDC dc) {
        tools.body(dc, 50, 50, 70, 70);
        SetTextColor(dc, RGB(255, 0, 0));
        TextOut(dc, 50, 50, "1", 1);  // the one at (95, 95)
    });
    EXPECT_TRUE(drawn == expected);
}

TEST_F(WallsOverlay, WallSquaresOverlapTheGridLineOnTheirFarSides) {
    // Cell (0, 0) is wall: its square covers pixels 0..106 by 0..80, outlined in black
    // on the lines shared with its neighbours, green inside.
    const auto pixels = pixelsAfter(*session->run(), [&](HDC dc) { world().wallMap.draw(dc, drawing()); });
    const uint32_t green = 0x00C800, black = 0;
    EXPECT_EQ(pixels[40 * 640 + 105], green);
    EXPECT_EQ(pixels[40 * 640 + 106], black);
    EXPECT_EQ(pixels[79 * 640 + 40], green);
    EXPECT_EQ(pixels[80 * 640 + 40], black);
}

TEST_F(WallsOverlay, OccupancyShadesGetDarkerBy32PerAgentAndBlackAtEight) {
    const Tools tools;
    for (int n = 0; n <= 9; ++n) {
        const auto pixels = pixelsAfter(*session->run(), [&](HDC dc) {
            SelectObject(dc, tools.black);
            SelectObject(dc, occupancyBrush(drawing(), n));
            Rectangle(dc, 0, 0, 20, 20);
        });
        const int clamped = n < 1 ? 1 : (n > 8 ? 8 : n);
        const uint32_t level = clamped == 8 ? 0 : static_cast<uint32_t>(256 - 32 * clamped);
        EXPECT_EQ(pixels[10 * 640 + 10], level << 16 | level << 8 | level) << n << " agents";
    }
}

}  // namespace
}  // namespace steering_walls
