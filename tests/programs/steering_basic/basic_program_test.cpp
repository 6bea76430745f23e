// steering_basic driven through its window procedure on the headless backend.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>

#include "programs/steering_basic/basic_program.h"
#include "tests/programs/image_checks.h"
#include "tests/programs/steering_basic/basic_fixture.h"
#include "tools/headless/session.h"

namespace steering_basic {
namespace {

using program_tests::countColour;

class BasicProgram : public BasicWorldTest {
protected:
    void SetUp() override {
        BasicWorldTest::SetUp();
        session = std::make_unique<headless::Session>(program());
    }
    void TearDown() override { session.reset(); }
    BasicWorld& world() override { return *session->runAs<BasicRun>().world; }
    std::unique_ptr<headless::Session> session;
};

TEST_F(BasicProgram, StartsWithThirtySixAgents) {
    EXPECT_EQ(session->run()->agentCount(), 36);
    EXPECT_STREQ(program().name, "steering_basic");
    char row[256];
    ASSERT_GT(session->run()->traceAgent(0, row, sizeof row), 0);
    EXPECT_EQ(std::string(row).substr(0, 8), "100,100,");
}

TEST_F(BasicProgram, SpaceAndTheMenuCanDisagreeAndAgreeAgain) {
    session->press(win::VK_SPACE);
    EXPECT_TRUE(world().debugOverlay);
    EXPECT_FALSE(session->checked(kCommandDebug));  // Space leaves the mark alone
    session->menu(kCommandDebug);                     // mark from the flag (set: unchecked), then flip
    EXPECT_FALSE(world().debugOverlay);
    EXPECT_FALSE(session->checked(kCommandDebug));
    session->menu(kCommandDebug);
    EXPECT_TRUE(world().debugOverlay);
    EXPECT_TRUE(session->checked(kCommandDebug));    // they agree again
    session->press(win::VK_SPACE);
    EXPECT_FALSE(world().debugOverlay);
    EXPECT_TRUE(session->checked(kCommandDebug));
}

TEST_F(BasicProgram, SpaceActsOnRelease) {
    session->post(win::WM_KEYDOWN, win::VK_SPACE, win::host::keyDownLParam(1, false));
    EXPECT_FALSE(world().debugOverlay);
    session->post(win::WM_KEYUP, win::VK_SPACE, win::host::keyUpLParam());
    EXPECT_TRUE(world().debugOverlay);
}

TEST_F(BasicProgram, OtherKeysChangeNothing) {
    session->frames(3);
    const DoubleVec leader = world().agentArray[0].position;
    for (win::WPARAM key : {win::VK_UP, win::VK_DOWN, win::VK_INSERT, win::VK_RETURN}) session->press(key);
    EXPECT_FALSE(world().debugOverlay);
    EXPECT_EQ(world().agentArray.size(), 36u);
    EXPECT_EQ(world().agentArray[0].position, leader);
    EXPECT_FALSE(session->quitPosted());
}

TEST_F(BasicProgram, EscapeAndExitEndTheLoop) {
    session->menu(kCommandExit);
    EXPECT_TRUE(session->quitPosted());
    session.reset();
    freshWorld();
    session = std::make_unique<headless::Session>(program());
    session->press(win::VK_ESCAPE);
    EXPECT_TRUE(session->quitPosted());
    EXPECT_EQ(win::host::mainWindow(), nullptr);
}

TEST_F(BasicProgram, DragWithBothButtonsMovesOnlyTheLeadersTarget) {
    session->post(win::WM_MOUSEMOVE, win::MK_LBUTTON | win::MK_RBUTTON, headless::Session::point(200, 420));
    EXPECT_EQ(world().leftButtonTarget.position, (DoubleVec{200.0, 420.0}));
    EXPECT_EQ(world().rightButtonTarget.position, (DoubleVec{0.0, 0.0}));
    session->post(win::WM_MOUSEMOVE, win::MK_RBUTTON, headless::Session::point(30, 40));
    EXPECT_EQ(world().rightButtonTarget.position, (DoubleVec{30.0, 40.0}));
}

TEST_F(BasicProgram, FramesHaveNoTimingBars) {
    session->rightClick(560, 240);
    ASSERT_EQ(session->frames(5), 5);
    const win::host::Image image = win::host::clientImage();
    EXPECT_GT(countColour(image, 0x00C8C8), 1000);
    EXPECT_EQ(countColour(image, 0xFF00FF), 0);
    EXPECT_EQ(countColour(image, 0x0000FF), 0);
}

// With the overlay on after a left and a right click, every moving agent shows its
// velocity, its force and its avoidance box.
TEST_F(BasicProgram, ScreenshotWithTheOverlayAfterBothClicks) {
    session->leftClick(100, 450);
    session->rightClick(560, 240);
    session->menu(kCommandDebug);
    ASSERT_TRUE(world().debugOverlay);
    ASSERT_EQ(session->frames(120), 120);
    const std::string path = program_tests::saveScreenshot("steering_basic_overlay.png");
    std::printf("screenshot: %s\n", path.c_str());
    const win::host::Image image = win::host::clientImage();
    EXPECT_GT(countColour(image, 0x00C8C8), 2000);  // bodies
    EXPECT_GT(countColour(image, 0xFF00FF), 50);    // velocity lines
    EXPECT_GT(countColour(image, 0x0000FF), 100);   // force lines and boxes
}

// An arriver pushed exactly onto an obstacle's centre has a force total that is not a
// number for that step; its overlay line then points off the surface, which must only clip.
TEST_F(BasicProgram, OverlayOfAnAgentOnAnObstacleCentreDrawsSafely) {
    BasicAgent& arriver = world().agentArray[10];
    const BasicAgent& obstacle = world().agentArray[20];
    arriver.position = obstacle.position;
    arriver.velocity = {};
    session->press(win::VK_SPACE);
    ASSERT_EQ(session->frames(1), 1);
    EXPECT_TRUE(std::isnan(arriver.steeringForce.x) || std::isnan(arriver.steeringForce.y));
    EXPECT_GT(countColour(win::host::clientImage(), 0x00C8C8), 1000);
    EXPECT_EQ(session->frames(5), 5);
}

}  // namespace
}  // namespace steering_basic
