// Insert, Delete, the left click and the menu commands of the steering window.
#include <vector>

#include "programs/steering/map_editing.h"
#include "steering/agent.h"
#include "tests/programs/steering/steering_fixture.h"

namespace shell_test {
namespace {

using steering::FixedVec;

class PopulationInput : public SteeringShell {
protected:
    void SetUp() override {
        SteeringShell::SetUp();
        emptyWorld();
    }

    // Adds an agent at a distinct spot so removals can be told apart.
    void addAgentAt(int32_t wholeX, int32_t wholeY) {
        steering::Agent agent;
        makeAgentTemplate(agent, world().agentRandom);
        agent.place({steering::toFixed(wholeX), steering::toFixed(wholeY)}, {0, 0});
        world().agentList.add(agent);
    }

    std::vector<FixedVec> positions() {
        std::vector<FixedVec> out;
        for (const steering::Agent& a : world().agentList) out.push_back(a.position);
        return out;
    }
};

TEST_F(PopulationInput, InsertWithoutAClickPlacesFiveIdenticalAgentsAtTheOrigin) {
    keyUp(win::VK_INSERT);
    ASSERT_EQ(world().agentList.size(), 5u);
    const steering::Agent& first = *world().agentList.begin();
    for (const steering::Agent& a : world().agentList) {
        EXPECT_EQ(a.position, (FixedVec{0, 0}));
        EXPECT_EQ(a.velocity, (FixedVec{0, 0}));
        EXPECT_EQ(a.radius, first.radius);
        EXPECT_EQ(a.maxSpeed, first.maxSpeed);
    }
}

TEST_F(PopulationInput, InsertKeyDownAddsNothing) {
    keyDown(win::VK_INSERT);
    EXPECT_EQ(world().agentList.size(), 0u);
}

TEST_F(PopulationInput, EachInsertDrawsNewRandomValuesOnce) {
    keyUp(win::VK_INSERT);
    keyUp(win::VK_INSERT);
    ASSERT_EQ(world().agentList.size(), 10u);
    std::vector<steering::Fixed> radii;
    for (const steering::Agent& a : world().agentList) radii.push_back(a.radius);
    for (int i = 1; i < 5; ++i) EXPECT_EQ(radii[static_cast<std::size_t>(i)], radii[0]);
    for (int i = 6; i < 10; ++i) EXPECT_EQ(radii[static_cast<std::size_t>(i)], radii[5]);
}

TEST_F(PopulationInput, InsertUsesTheLastLeftDragPoint) {
    send(win::WM_MOUSEMOVE, win::MK_LBUTTON, at(10, 20));
    keyUp(win::VK_INSERT);
    ASSERT_EQ(world().agentList.size(), 5u);
    for (const steering::Agent& a : world().agentList) {
        EXPECT_EQ(a.position, (FixedVec{steering::toFixed(150), steering::toFixed(300)}));
    }
}

TEST_F(PopulationInput, InsertOnAWallOrPastTheMapUsesTheNearestOpenCellsCentre) {
    // Pixel (40, 38) is (600, 570), in cell (2, 2), walled here. Cell (2, 1)'s centre
    // (640, 384) is 190 units away, (1, 2)'s (384, 640) 227.
    world().gridMap.cells()[2 * 256 + 2] = steering::kWallType;
    send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, at(40, 38));
    keyUp(win::VK_INSERT);
    // Zoomed out four times a pixel is 15 * 1.5^4 = 75.9375 units: pixel (600, 400) is
    // (45562, 30375), past the map's 32,768 units (as 16.16 it would wrap to x = -19,974).
    // Pulled in to (32767, 30375), in the open cell (127, 118): its centre (32640, 30336).
    for (int i = 0; i < 4; ++i) keyUp(win::VK_NEXT);
    send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, at(600, 400));
    keyUp(win::VK_INSERT);
    const std::vector<FixedVec> placed = positions();
    ASSERT_EQ(placed.size(), 10u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(placed[i], (FixedVec{steering::toFixed(640), steering::toFixed(384)})) << i;
    for (int i = 5; i < 10; ++i) EXPECT_EQ(placed[i], (FixedVec{steering::toFixed(32640), steering::toFixed(30336)})) << i;
}

TEST_F(PopulationInput, DeleteWithThreeAgentsRemovesThemAll) {
    addAgentAt(1000, 1000);
    addAgentAt(2000, 1000);
    addAgentAt(3000, 1000);
    keyUp(win::VK_DELETE);
    EXPECT_EQ(world().agentList.size(), 0u);
    keyUp(win::VK_DELETE);  // on an empty population: nothing
    EXPECT_EQ(world().agentList.size(), 0u);
    EXPECT_EQ(world().neighbourGrid.occupancy(1, 1), 0);
}

TEST_F(PopulationInput, DeleteRemovesTheFiveOldest) {
    for (int i = 0; i < 7; ++i) addAgentAt(1000 * (i + 1), 500);
    keyUp(win::VK_DELETE);
    const std::vector<FixedVec> left = positions();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].x, steering::toFixed(6000));
    EXPECT_EQ(left[1].x, steering::toFixed(7000));
    // The removed agents are gone from the neighbour grid as well.
    EXPECT_EQ(world().neighbourGrid.occupancy(1000 / 512, 500 / 512), 0);
}

TEST_F(PopulationInput, LeftClickTargetsEveryAgentAndMovesTheInsertPoint) {
    addAgentAt(1000, 1000);
    addAgentAt(2000, 2000);
    send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, at(40, 30));
    EXPECT_EQ(run().mouseWorld.x, 600);
    EXPECT_EQ(run().mouseWorld.y, 450);
    for (const steering::Agent& a : world().agentList) {
        EXPECT_EQ(a.pathTarget, (FixedVec{steering::toFixed(600), steering::toFixed(450)}));
    }
}

TEST_F(PopulationInput, LeftDragMovesTheInsertPointButNotTheTarget) {
    addAgentAt(1000, 1000);
    send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, at(40, 30));
    send(win::WM_MOUSEMOVE, win::MK_LBUTTON, at(100, 200));
    EXPECT_EQ(run().mouseWorld.x, 1500);
    EXPECT_EQ(run().mouseWorld.y, 3000);
    EXPECT_EQ(world().agentList.begin()->pathTarget, (FixedVec{steering::toFixed(600), steering::toFixed(450)}));
    send(win::WM_LBUTTONUP, 0, at(100, 200));  // release does nothing more
    EXPECT_EQ(world().agentList.begin()->pathTarget, (FixedVec{steering::toFixed(600), steering::toFixed(450)}));
}

class MenuCommands : public SteeringShell {};

TEST_F(MenuCommands, EachToggleChecksOnAndUnchecksOff) {
    struct Toggle {
        win::WORD id;
        bool steering::DebugFlags::*flag;
    };
    const Toggle toggles[] = {{steering::kCommandNeighbours, &steering::DebugFlags::showNeighbours},
                              {steering::kCommandGrid, &steering::DebugFlags::showGrid},
                              {steering::kCommandVectors, &steering::DebugFlags::showVectors},
                              {steering::kCommandPaths, &steering::DebugFlags::showPaths},
                              {steering::kCommandTriangles, &steering::DebugFlags::showTriangles}};
    for (const Toggle& t : toggles) {
        EXPECT_FALSE(run().debugFlags.*(t.flag)) << t.id;
        EXPECT_FALSE(isChecked(t.id)) << t.id;
        command(t.id);
        EXPECT_TRUE(run().debugFlags.*(t.flag)) << t.id;
        EXPECT_TRUE(isChecked(t.id)) << t.id;
        command(t.id);
        EXPECT_FALSE(run().debugFlags.*(t.flag)) << t.id;
        EXPECT_FALSE(isChecked(t.id)) << t.id;
    }
}

TEST_F(MenuCommands, MapValueIsCheckedInAndOutOfEditMode) {
    const auto checkedValues = [this] {
        std::vector<int> on;
        for (std::size_t i = 0; i < steering::kPaintChoiceCount; ++i) {
            if (isChecked(steering::kPaintChoices[i].command)) on.push_back(static_cast<int>(i));
        }
        return on;
    };
    run().setupWorld();
    EXPECT_EQ(checkedValues(), std::vector<int>{0});  // Wall, before edit mode was ever on
    keyDown('E');
    keyDown('3');
    keyDown('E');  // edit mode off again: the choice stays shown
    EXPECT_FALSE(run().mapEdit.editing);
    EXPECT_EQ(checkedValues(), std::vector<int>{2});
    run().setupWorld();  // a new run: Wall again
    EXPECT_EQ(checkedValues(), std::vector<int>{0});
}

TEST_F(MenuCommands, ToggleTouchesOnlyItsOwnFlag) {
    command(steering::kCommandVectors);
    EXPECT_TRUE(run().debugFlags.showVectors);
    EXPECT_FALSE(run().debugFlags.showGrid);
    EXPECT_FALSE(run().debugFlags.showNeighbours);
    EXPECT_FALSE(run().debugFlags.showPaths);
    EXPECT_FALSE(run().debugFlags.showTriangles);
    EXPECT_FALSE(isChecked(steering::kCommandGrid));
}

TEST_F(MenuCommands, UnknownCommandChangesNothing) {
    command(40011);
    command(1);
    EXPECT_FALSE(run().debugFlags.showGrid);
    EXPECT_FALSE(quitSeen);
    EXPECT_NE(win::host::mainWindow(), nullptr);
}

TEST_F(MenuCommands, ExitPostsQuitWithCodeZero) {
    command(steering::kCommandExit);
    EXPECT_TRUE(quitSeen);
    EXPECT_EQ(quitCode, 0);
}

TEST_F(MenuCommands, EscapeReleaseDestroysTheWindowAndQuits) {
    keyDown(win::VK_ESCAPE);
    EXPECT_FALSE(quitSeen);
    keyUp(win::VK_ESCAPE);
    EXPECT_TRUE(quitSeen);
    EXPECT_EQ(quitCode, 0);
    EXPECT_EQ(win::host::mainWindow(), nullptr);
}

TEST_F(MenuCommands, CloseDestroysTheWindowAndQuits) {
    send(win::WM_CLOSE);
    EXPECT_TRUE(quitSeen);
    EXPECT_EQ(win::host::mainWindow(), nullptr);
}

}  // namespace
}  // namespace shell_test
