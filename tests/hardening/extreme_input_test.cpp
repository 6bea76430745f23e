// Extreme input on each program: zooming far in and out, scrolling to every limit,
// right-button jumps at the client corners, Insert outside the map and at the edge of the
// fixed-point range, clicks far outside the map. Results must be defined (finite view,
// the same values a double reference computes, frames still produced, the same picture
// on a second run) and nothing may crash.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "platform/host.h"
#include "programs/steering/steering_program.h"
#include "steering/agent_list.h"
#include "tools/headless/session.h"
#include "tests/programs/steering/run_fixture.h"
#include "tools/headless/driver.h"
#include "world/fixed_math.h"
#include "programs/steering/view_state.h"
#include "programs/steering/steering_run.h"

namespace {


using namespace win;

constexpr int kZoomPresses = 60;

// The client corners and points just past them, as 16-bit client coordinates (65535 is -1).
constexpr uint32_t kCornerPoints[][2] = {{0, 0},     {639, 0},     {0, 479},     {639, 479},
                                         {65535, 0}, {640, 65535}, {65535, 480}, {640, 480}};

int32_t referenceWorld(double pixel, double scale, double origin) {
    // Truncation toward zero, then the low 32 bits, as every float-to-integer conversion.
    const double value = pixel * scale + origin;
    if (std::isnan(value) || value >= 9223372036854775808.0 || value < -9223372036854775808.0) return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(value))));
}

class SteeringExtremes : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(harness.start(steering::steeringProgram, {.reopenClosedWindow = true})); }
    void TearDown() override { harness.finish(); }

    // Ticks and checks each was accepted and left a finite view.
    void ticks(int n) {
        for (int i = 0; i < n; ++i) ASSERT_TRUE(harness.tick());
        EXPECT_TRUE(std::isfinite(steering::test::runOf(harness).view.viewScaleX) && std::isfinite(steering::test::runOf(harness).view.viewScaleY));
        EXPECT_TRUE(std::isfinite(steering::test::runOf(harness).view.viewOriginX) && std::isfinite(steering::test::runOf(harness).view.viewOriginY));
    }

    headless::Session harness;
};

TEST_F(SteeringExtremes, SixtyZoomsInThenSixtyOutFollowTheDoubleReference) {
    double scale = 15.0;
    for (int i = 0; i < kZoomPresses; ++i) {
        harness.press(VK_PRIOR);
        scale *= steering::kZoomInFactor;
        ASSERT_EQ(steering::test::runOf(harness).view.viewScaleX, scale);
        ASSERT_EQ(steering::test::runOf(harness).view.viewInvScaleX, 1.0 / scale);
    }
    EXPECT_LT(steering::test::runOf(harness).view.viewScaleX, 1e-9);
    EXPECT_GT(steering::test::runOf(harness).view.viewScaleX, 0.0);
    ticks(3);
    // Every pixel of the client area now names (almost) the same world point.
    harness.leftClick(639, 479);
    EXPECT_EQ(steering::test::runOf(harness).mouseWorld.x, referenceWorld(639, scale, steering::test::runOf(harness).view.viewOriginX));
    EXPECT_EQ(steering::test::runOf(harness).mouseWorld.y, referenceWorld(479, scale, steering::test::runOf(harness).view.viewOriginY));
    ticks(3);

    // Zooming out goes on until the whole map fits the window, then stops.
    for (int i = 0; i < 2 * kZoomPresses; ++i) {
        harness.press(VK_NEXT);
        if (!(640 * scale >= 65536.0 && 480 * scale >= 65536.0)) scale *= steering::kZoomOutFactor;
        ASSERT_EQ(steering::test::runOf(harness).view.viewScaleY, scale);
    }
    EXPECT_GE(480 * steering::test::runOf(harness).view.viewScaleY, 65536.0);
    EXPECT_LT(480 * steering::test::runOf(harness).view.viewScaleY / steering::kZoomOutFactor, 65536.0);
    ticks(3);
    harness.leftClick(639, 479);  // lands outside the map, past the 16.16 range: the wrap, not undefined
    EXPECT_EQ(steering::test::runOf(harness).mouseWorld.x, referenceWorld(639, scale, steering::test::runOf(harness).view.viewOriginX));
    EXPECT_EQ(steering::test::runOf(harness).mouseWorld.y, referenceWorld(479, scale, steering::test::runOf(harness).view.viewOriginY));
    ticks(20);
    EXPECT_EQ(harness.agentCount(), 1);
}

TEST_F(SteeringExtremes, ScrollingToEveryLimitClampsAndKeepsDrawing) {
    // The largest repeat count the scroll honours: 127 cells per message.
    for (int i = 0; i < 4; ++i) harness.post(WM_KEYDOWN, VK_RIGHT, host::keyDownLParam(0xFFFF, true));
    for (int i = 0; i < 4; ++i) harness.post(WM_KEYDOWN, VK_DOWN, host::keyDownLParam(0x7F, true));
    EXPECT_EQ(steering::test::runOf(harness).view.viewOriginX, steering::kScrollLimit);
    EXPECT_EQ(steering::test::runOf(harness).view.viewOriginY, steering::kScrollLimit);
    ticks(3);
    harness.leftClick(639, 479);
    EXPECT_EQ(steering::test::runOf(harness).mouseWorld.x, referenceWorld(639, 15.0, steering::kScrollLimit));
    ticks(3);
    for (int i = 0; i < 4; ++i) harness.post(WM_KEYDOWN, VK_LEFT, host::keyDownLParam(0x7F, true));
    for (int i = 0; i < 4; ++i) harness.post(WM_KEYDOWN, VK_UP, host::keyDownLParam(0x7F, true));
    EXPECT_EQ(steering::test::runOf(harness).view.viewOriginX, 0.0);
    EXPECT_EQ(steering::test::runOf(harness).view.viewOriginY, 0.0);
    ticks(3);
}

TEST_F(SteeringExtremes, RightButtonJumpsAtTheCornersPlaceTheOriginByPixel) {
    for (const auto& corner : kCornerPoints) {
        harness.post(WM_RBUTTONDOWN, MK_RBUTTON, headless::Session::point(corner[0], corner[1]));
        EXPECT_EQ(steering::test::runOf(harness).view.viewOriginX, corner[0] * steering::kJumpUnitsPerPixelX);
        EXPECT_EQ(steering::test::runOf(harness).view.viewOriginY, corner[1] * steering::kJumpUnitsPerPixelY);
        harness.post(WM_MOUSEMOVE, MK_RBUTTON, headless::Session::point(corner[1], corner[0]));
        EXPECT_EQ(steering::test::runOf(harness).view.viewOriginX, corner[1] * steering::kJumpUnitsPerPixelX);
        ticks(2);
    }
}

TEST_F(SteeringExtremes, InsertOutsideTheMapAndAtTheFixedPointEdgeGivesDefinedAgents) {
    // Far outside the map through a jump past its end, then at the edge of the 16.16 range.
    harness.post(WM_RBUTTONDOWN, MK_RBUTTON, headless::Session::point(65535, 65535));
    harness.post(WM_MOUSEMOVE, MK_LBUTTON, headless::Session::point(639, 479));
    harness.press(VK_INSERT);
    EXPECT_EQ(harness.agentCount(), 6);
    const steering::WorldPoint edges[] = {{32767, 32767}, {-32768, -32768}, {32767, -32768}, {INT32_MAX, INT32_MIN}};
    for (const steering::WorldPoint& edge : edges) {
        steering::test::runOf(harness).mouseWorld = edge;
        harness.press(VK_INSERT);
    }
    EXPECT_EQ(harness.agentCount(), 26);
    // None stands off the map, where the 16.16 conversion would have wrapped the point: the
    // newest five, pulled in from (INT32_MAX, INT32_MIN) to the ring's corner cell (127, 0),
    // stand at the centre of the nearest open cell, (126, 1).
    for (const steering::Agent& agent : steering::test::worldOf(harness).agentList) {
        EXPECT_GE(agent.position.x, 0);
        EXPECT_GE(agent.position.y, 0);
    }
    const steering::Agent& newest = *std::prev(steering::test::worldOf(harness).agentList.end());
    EXPECT_EQ(newest.position.x, steering::toFixed(32384));
    EXPECT_EQ(newest.position.y, steering::toFixed(384));
    harness.leftClick(320, 240);
    ticks(10);
    EXPECT_EQ(harness.agentCount(), 26);
    // Removal of more than there are leaves an empty, still running world.
    for (int i = 0; i < 8; ++i) harness.press(VK_DELETE);
    EXPECT_EQ(harness.agentCount(), 0);
    ticks(3);
}

// Edit mode where the view's scale has overflowed to infinity (about 1,750 Page Downs) or
// shrunk so far that its inverse is infinite (about 1,760 Page Ups): pixel 0 times an infinite
// scale, and a zero distance times an infinite inverse, are NaN, which must never reach a conversion to int
// (a finding of the message fuzzer under UndefinedBehaviorSanitizer). There the pointer
// names no cell of the map, so a stroke paints nothing.
TEST_F(SteeringExtremes, EditModeAtAnInfiniteScaleOrInverseStaysDefined) {
    const auto before = steering::test::runOf(harness).worldMap.authored;
    harness.press('E');
    // Zooming out ends once the map fits; a view at an infinite scale is made directly.
    for (int i = 0; i < 4000; ++i) harness.press(VK_NEXT);
    ASSERT_TRUE(std::isfinite(steering::test::runOf(harness).view.viewScaleX));
    ASSERT_LT(steering::test::runOf(harness).view.viewScaleX, 1000.0);
    steering::test::runOf(harness).view.viewScaleX = steering::test::runOf(harness).view.viewScaleY = INFINITY;
    steering::test::runOf(harness).view.viewInvScaleX = steering::test::runOf(harness).view.viewInvScaleY = 0.0;
    harness.post(WM_MOUSEMOVE, 0, headless::Session::point(0, 0));
    harness.post(WM_LBUTTONDOWN, MK_LBUTTON, headless::Session::point(0, 0));
    harness.post(WM_MOUSEMOVE, MK_LBUTTON, headless::Session::point(0, 479));
    harness.post(WM_LBUTTONUP, 0, headless::Session::point(0, 479));
    ASSERT_TRUE(harness.tick());
    EXPECT_TRUE(steering::test::runOf(harness).worldMap.authored == before);

    steering::test::runOf(harness).view = steering::ViewState{};
    for (int i = 0; i < 4000 && std::isfinite(steering::test::runOf(harness).view.viewInvScaleX); ++i) harness.press(VK_PRIOR);
    ASSERT_TRUE(std::isinf(steering::test::runOf(harness).view.viewInvScaleX));
    // Every pixel names the origin, the corner of cell (0, 0): its outline starts at
    // (0 - 0) times the infinite inverse.
    harness.post(WM_MOUSEMOVE, 0, headless::Session::point(0, 0));
    ASSERT_TRUE(harness.tick());
}

TEST_F(SteeringExtremes, ClicksFarOutsideTheMapKeepTheProgramRunning) {
    harness.press(VK_INSERT);
    for (int i = 0; i < 30; ++i) harness.press(VK_NEXT);  // far zoomed out: pixels span beyond the map
    for (const auto& corner : kCornerPoints) {
        harness.leftClick(corner[0], corner[1]);
        ticks(5);
    }
    // What is checked: every tick accepted with a finite view (ticks), and under the
    // sanitizers no undefined conversion of the far-off points on the way.
    EXPECT_EQ(harness.quitRequests, 0);
}

// Every overlay at the extreme zooms, with a crowd in view: every tick is still accepted,
// the crowd keeps its size and its positions stay defined.
TEST_F(SteeringExtremes, EveryOverlayAtTheExtremeZoomsKeepsProducingFrames) {
    for (WORD command : {40007, 40008, 40009, 40010, 40012}) harness.post(WM_COMMAND, command, 0);
    harness.post(WM_MOUSEMOVE, MK_LBUTTON, headless::Session::point(100, 300));
    for (int i = 0; i < 10; ++i) harness.press(VK_INSERT);
    harness.leftClick(400, 100);
    for (int i = 0; i < kZoomPresses; ++i) harness.press(VK_PRIOR);
    ticks(10);
    for (int i = 0; i < 2 * kZoomPresses; ++i) harness.press(VK_NEXT);
    ticks(10);
    for (int i = 0; i < kZoomPresses; ++i) harness.press(VK_PRIOR);
    ticks(10);
    EXPECT_EQ(harness.agentCount(), 51);
    const std::vector<uint32_t>& pixels = host::clientImage().pixels;
    EXPECT_EQ(pixels.size(), static_cast<std::size_t>(shell::kClientWidth * shell::kClientHeight));
    if (const char* path = std::getenv("STEERING_EXTREME_PNG")) host::writePng(path, host::windowImage());
    EXPECT_EQ(harness.quitRequests, 0);
}

// The small programs take their targets in pixels: any point, inside or out, is kept as
// given and the agents keep moving with finite positions.
class SmallProgramExtremes : public ::testing::TestWithParam<const char*> {};

TEST_P(SmallProgramExtremes, CornersFarPointsAndEveryKeyKeepTheProgramRunning) {
    headless::Session harness;
    ASSERT_TRUE(harness.start(*headless::findProgram(GetParam()), {.reopenClosedWindow = true}));
    const int agents = harness.agentCount();
    for (const auto& corner : kCornerPoints) {
        harness.leftClick(corner[0], corner[1]);
        harness.rightClick(corner[1], corner[0]);
        harness.post(WM_MOUSEMOVE, MK_LBUTTON, headless::Session::point(corner[1], corner[1]));
        harness.post(WM_MOUSEMOVE, MK_RBUTTON, headless::Session::point(corner[0], corner[0]));
        for (int i = 0; i < 5; ++i) ASSERT_TRUE(harness.tick());
    }
    for (WPARAM key : {VK_PRIOR, VK_NEXT, VK_LEFT, VK_RIGHT, VK_INSERT, VK_DELETE, VK_SPACE}) {
        for (int i = 0; i < kZoomPresses; ++i) harness.press(key, 0xFFFF);
        ASSERT_TRUE(harness.tick());
    }
    EXPECT_EQ(harness.agentCount(), agents);  // none of these keys adds or removes agents here
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(harness.tick());
    EXPECT_EQ(harness.quitRequests, 0);
    harness.finish();
}

INSTANTIATE_TEST_SUITE_P(Programs, SmallProgramExtremes, ::testing::Values("steering_walls", "steering_basic"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
