// steering_walls driven as a person drives it: keys, mouse buttons and menu items through
// the window procedure, frames on the virtual clock, and what the window then shows.
#include <gtest/gtest.h>

#include <cstdio>

#include "programs/steering_walls/walls_program.h"
#include "tests/programs/image_checks.h"
#include "tests/programs/steering_walls/walls_fixture.h"
#include "tools/headless/session.h"

namespace steering_walls {
namespace {

using program_tests::countColour;

class WallsProgram : public WallsWorldTest {
protected:
    void SetUp() override {
        WallsWorldTest::SetUp();
        session = std::make_unique<headless::Session>(program());
    }
    void TearDown() override { session.reset(); }
    WallsWorld& world() override { return *session->runAs<WallsRun>().world; }
    std::unique_ptr<headless::Session> session;
};

TEST_F(WallsProgram, StartsWithThirtyTwoAgents) {
    EXPECT_EQ(session->run()->agentCount(), 32);
    EXPECT_STREQ(program().name, "steering_walls");
    char row[256];
    const int length = session->run()->traceAgent(16, row, sizeof row);
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::string(row, static_cast<std::size_t>(length)).substr(0, 8), "100,300,");
    EXPECT_EQ(session->run()->traceAgent(32, row, sizeof row), -1);
    EXPECT_EQ(session->run()->traceAgent(0, row, 4), -1);
}

TEST_F(WallsProgram, UpAndDownActOnReleaseOnly) {
    session->post(win::WM_KEYDOWN, win::VK_UP, win::host::keyDownLParam(1, false));
    EXPECT_EQ(world().agentList.size(), 32u);
    session->post(win::WM_KEYUP, win::VK_UP, win::host::keyUpLParam());
    EXPECT_EQ(world().agentList.size(), 37u);
    session->post(win::WM_KEYDOWN, win::VK_DOWN, win::host::keyDownLParam(1, false));
    EXPECT_EQ(world().agentList.size(), 37u);
    session->post(win::WM_KEYUP, win::VK_DOWN, win::host::keyUpLParam());
    EXPECT_EQ(world().agentList.size(), 32u);
}

TEST_F(WallsProgram, DownStopsAtTheObstacles) {
    for (int i = 0; i < 6; ++i) session->press(win::VK_DOWN);
    EXPECT_EQ(world().agentList.size(), 16u);
    session->frames(3);
    EXPECT_EQ(world().agentList.size(), 16u);
}

TEST_F(WallsProgram, OtherKeysChangeNothing) {
    session->frames(5);
    const DoubleVec firstArriver = world().agentList[16]->position;
    for (win::WPARAM key : {win::VK_LEFT, win::VK_RIGHT, win::VK_SPACE, win::VK_INSERT, win::VK_DELETE, win::VK_F1}) {
        session->press(key);
    }
    EXPECT_EQ(world().agentList.size(), 32u);
    EXPECT_EQ(world().agentList[16]->position, firstArriver);
    EXPECT_FALSE(world().overlayFlags.showGrid || world().overlayFlags.showNeighbours || world().overlayFlags.showVectors);
    EXPECT_FALSE(session->quitPosted());
}

TEST_F(WallsProgram, ButtonsSetTheirOwnTargets) {
    session->leftClick(300, 200);
    session->rightClick(450, 100);
    EXPECT_EQ(world().leftButtonTarget.position, (DoubleVec{300.0, 200.0}));
    EXPECT_EQ(world().rightButtonTarget.position, (DoubleVec{450.0, 100.0}));
    session->post(win::WM_MOUSEMOVE, win::MK_RBUTTON, headless::Session::point(460, 110));
    EXPECT_EQ(world().rightButtonTarget.position, (DoubleVec{460.0, 110.0}));
    session->post(win::WM_MOUSEMOVE, 0, headless::Session::point(10, 10));
    EXPECT_EQ(world().leftButtonTarget.position, (DoubleVec{300.0, 200.0}));
    EXPECT_EQ(world().rightButtonTarget.position, (DoubleVec{460.0, 110.0}));
}

TEST_F(WallsProgram, DragWithBothButtonsMovesOnlyTheLeftTarget) {
    session->post(win::WM_MOUSEMOVE, win::MK_LBUTTON | win::MK_RBUTTON, headless::Session::point(321, 123));
    EXPECT_EQ(world().leftButtonTarget.position, (DoubleVec{321.0, 123.0}));
    EXPECT_EQ(world().rightButtonTarget.position, (DoubleVec{0.0, 0.0}));
}

TEST_F(WallsProgram, MenuItemsToggleFlagAndMarkAndTwiceRestoreBoth) {
    struct Item {
        win::WORD command;
        bool* flag;
    } items[] = {{kCommandNeighbours, &world().overlayFlags.showNeighbours},
                 {kCommandGrid, &world().overlayFlags.showGrid},
                 {kCommandVectors, &world().overlayFlags.showVectors}};
    for (const Item& item : items) {
        EXPECT_FALSE(*item.flag);
        EXPECT_FALSE(session->checked(item.command));
        session->menu(item.command);
        EXPECT_TRUE(*item.flag);
        EXPECT_TRUE(session->checked(item.command));
        session->menu(item.command);
        EXPECT_FALSE(*item.flag);
        EXPECT_FALSE(session->checked(item.command));
    }
}

TEST_F(WallsProgram, ExitAndEscapeEndTheLoop) {
    session->menu(kCommandExit);
    EXPECT_TRUE(session->quitPosted());
}

TEST_F(WallsProgram, EscapeDestroysTheWindow) {
    session->press(win::VK_ESCAPE);
    EXPECT_TRUE(session->quitPosted());
    EXPECT_EQ(win::host::mainWindow(), nullptr);
}

TEST_F(WallsProgram, TickWithinTenMillisecondsIsRefused) {
    ASSERT_EQ(session->frames(1), 1);
    const DoubleVec before = world().agentList[16]->position;
    EXPECT_FALSE(session->run()->frameTick());
    win::host::advanceTickCount(10);
    EXPECT_FALSE(session->run()->frameTick());
    EXPECT_EQ(world().agentList[16]->position, before);
    win::host::advanceTickCount(1);
    EXPECT_TRUE(session->run()->frameTick());
}

// The overlays a person switches on to study the grid: after a right and a left click,
// with Debug > Vectors, Grid and Neighbours on, the window shows the grid lines and the
// shaded cells, force and velocity lines, neighbour counts, walls and agents.
TEST_F(WallsProgram, ScreenshotWithEveryOverlayAfterBothClicks) {
    session->rightClick(560, 120);
    session->leftClick(160, 280);
    session->menu(kCommandVectors);
    session->menu(kCommandGrid);
    session->menu(kCommandNeighbours);
    ASSERT_EQ(session->frames(40), 40);
    const std::string path = program_tests::saveScreenshot("steering_walls_overlays.png");
    std::printf("screenshot: %s\n", path.c_str());

    const win::host::Image image = win::host::clientImage();
    ASSERT_EQ(image.width, 640);
    ASSERT_EQ(image.height, 480);
    EXPECT_GT(countColour(image, 0x0000FF), 400);          // grid lines and force lines
    EXPECT_GT(countColour(image, 0x00C800), 20000);        // wall cells
    EXPECT_GT(countColour(image, 0x00C8C8), 2000);         // agent bodies
    EXPECT_GT(countColour(image, 0xFF0000), 20);           // neighbour counts
    EXPECT_GT(countColour(image, 0xFF00FF), 5);            // velocity lines and the update bar
    EXPECT_GT(countColour(image, 0xE0E0E0) + countColour(image, 0xC0C0C0), 500);  // occupied cells
    // The 4-pixel strip right of the wall map is never painted green.
    EXPECT_EQ(countColour(image, 0x00C800, 637, 0, 640, 480), 0);
}

TEST_F(WallsProgram, WithoutPresentationTheProgramStillSteps) {
    session.reset();
    session = std::make_unique<headless::Session>();
    session->start(program(), {.failingPresentationStep = 7});  // GetDC fails: no device context to draw into
    EXPECT_EQ(session->run()->presentation.offscreenDC, nullptr);
    world().leftButtonTarget.position = {160.0, 280.0};
    const DoubleVec before = world().agentList[16]->position;
    EXPECT_EQ(session->frames(5), 5);
    EXPECT_NE(world().agentList[16]->position, before);
}

}  // namespace
}  // namespace steering_walls
