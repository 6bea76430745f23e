// steering_basic's agent drawing with and without the debug overlay, pixel for pixel
// against drawing calls worked out by hand.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/programs/image_checks.h"
#include "tools/headless/session.h"
#include "programs/steering_basic/basic_drawing.h"
#include "programs/steering_basic/basic_program.h"
#include "tests/programs/steering_basic/basic_fixture.h"

namespace steering_basic {
namespace {

using program_tests::pixelsAfter;
using program_tests::Tools;
using small_kit::DoubleVec;
using namespace win;

// An agent of radius 10 at (200, 150) moving (0, 4) per step: heading (0, 1), side (-1, 0).
BasicAgent agentMovingDown() {
    BasicAgent agent;
    agent.radius = 10.0;
    agent.position = DoubleVec{200.0, 150.0};
    agent.velocity = DoubleVec{0.0, 4.0};
    agent.heading = DoubleVec{0.0, 1.0};
    agent.side = DoubleVec{-1.0, 0.0};
    return agent;
}

class BasicOverlay : public BasicWorldTest {
protected:
    void SetUp() override {
        BasicWorldTest::SetUp();
        session = std::make_unique<headless::Session>(program());
    }
    void TearDown() override { session.reset(); }
    BasicWorld& world() override { return *session->runAs<BasicRun>().world; }
    std::unique_ptr<headless::Session> session;
};

TEST_F(BasicOverlay, AgentWithAndWithoutTheDebugOverlayIsTheseCalls) {
    BasicAgent agent = agentMovingDown();
    agent.steeringForce = DoubleVec{3.0, 0.0};
    Tools tools;
    for (const bool overlay : {false, true}) {
        world().debugOverlay = overlay;
        const auto drawn = pixelsAfter(*session->run(), [&](HDC dc) { drawAgent(agent, dc, session->runAs<BasicRun>().drawing, world().debugOverlay); });
        const auto expected = pixelsAfter(*session->run(), [&](HDC dc) {
            tools.body(dc, 190, 140, 210, 160);
            if (!overlay) return;
            Tools::line(dc, tools.magenta, 200, 150, 200, 210);  // 15 steps of velocity
            Tools::line(dc, tools.blue, 200, 150, 245, 150);     // 15 times the force
            // Avoidance box: twice the radius ahead, the radius to each side.
            MoveToEx(dc, 190, 150, nullptr);
            LineTo(dc, 190, 170);
            LineTo(dc, 210, 170);
            LineTo(dc, 210, 150);
        });
        EXPECT_TRUE(drawn == expected) << "overlay " << overlay;
    }
}

}  // namespace
}  // namespace steering_basic
