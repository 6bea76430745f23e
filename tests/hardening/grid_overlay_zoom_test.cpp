// The neighbour-grid overlay far zoomed in: a cell spanning far more pixels than 32 bits
// hold must still fill exactly the window, and cells and lines outside the window must
// not be wrapped onto it (which also made each frame fill the window once per occupied
// cell of the range).
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/host.h"
#include "programs/steering/steering_program.h"
#include "steering/agent_list.h"
#include "tools/headless/session.h"
#include "tests/programs/steering/run_fixture.h"
#include "world/grid_map.h"
#include "world/neighbour_grid.h"
#include "world/obstacles.h"
#include "programs/steering/view_state.h"

namespace {

using namespace win;

constexpr uint32_t kOneOccupantShade = 0xE0E0E0;  // occupancyBrushes[1] as a screen pixel

class GridOverlayZoom : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness.start(steering::steeringProgram, {.reopenClosedWindow = true}));
        // An open map with one obstacle in the corner of neighbour-grid cells 0 and 1, no agents.
        steering::test::worldOf(harness).agentList.clear();
        steering::test::worldOf(harness).obstacleList.clear();
        steering::test::worldOf(harness).neighbourGrid.init(128, 128);
        steering::test::worldOf(harness).gridMap.init(256, 256);
        steering::test::worldOf(harness).obstacleList.add({steering::toFixed(600), steering::toFixed(600), steering::toFixed(140)},
                                                        steering::test::worldOf(harness).neighbourGrid);
        ASSERT_EQ(steering::test::worldOf(harness).neighbourGrid.occupancy(1, 1), 1);
        harness.post(WM_COMMAND, steering::kCommandGrid, 0);
    }
    void TearDown() override { harness.finish(); }

    // Looks at world point (1000, 1000), inside cell (1, 1), zoomed in `presses` times.
    int pixelsOfShade(int presses) {
        steering::test::runOf(harness).view = steering::ViewState{};
        steering::test::runOf(harness).view.viewOriginX = 1000.0;
        steering::test::runOf(harness).view.viewOriginY = 1000.0;
        for (int i = 0; i < presses; ++i) harness.press(VK_PRIOR);
        EXPECT_TRUE(harness.tick());
        int count = 0;
        for (uint32_t pixel : host::clientImage().pixels) count += pixel == kOneOccupantShade ? 1 : 0;
        return count;
    }

    headless::Session harness;
};

TEST_F(GridOverlayZoom, ACellFarLargerThanTheWindowFillsItAtEveryZoom) {
    constexpr int kWindowPixels = shell::kClientWidth * shell::kClientHeight;
    // At the starting zoom the view holds many cells; from about 15 presses on, the window
    // lies inside cell (1, 1) and shows its shade everywhere but the timing bars.
    for (int presses : {15, 20, 30, 40, 50, 60}) {
        const int shaded = pixelsOfShade(presses);
        EXPECT_GT(shaded, kWindowPixels * 95 / 100) << presses << " zooms in";
    }
}

}  // namespace

namespace {

// A wall cell in view far zoomed in fills the window green, however far the zoom goes.
TEST(WallZoom, AWallCellInViewFillsTheWindowAtEveryZoom) {
    headless::Session harness;
    ASSERT_TRUE(harness.start(steering::steeringProgram, {.reopenClosedWindow = true}));
    steering::test::worldOf(harness).agentList.clear();
    int wallColumn = -1, wallRow = -1;
    for (int r = 1; r < 127 && wallColumn < 0; ++r) {
        for (int c = 1; c < 127 && wallColumn < 0; ++c) {
            if (steering::test::worldOf(harness).gridMap.cellAt(c, r) == steering::kWallType) wallColumn = c, wallRow = r;
        }
    }
    ASSERT_GE(wallColumn, 0);
    for (int presses : {40, 60, 70, 80, 90, 100}) {
        steering::test::runOf(harness).view = steering::ViewState{};
        for (int i = 0; i < presses; ++i) harness.press(VK_PRIOR);
        steering::test::runOf(harness).view.viewOriginX = wallColumn * 256.0 + 100.0;
        steering::test::runOf(harness).view.viewOriginY = wallRow * 256.0 + 100.0;
        ASSERT_TRUE(harness.tick());
        int green = 0;
        const uint32_t wallPixel = host::clientImage().pixels[240 * shell::kClientWidth + 320];
        for (uint32_t pixel : host::clientImage().pixels) green += pixel == wallPixel ? 1 : 0;
        EXPECT_NE(wallPixel, 0xFFFFFFu) << presses << " zooms in";
        EXPECT_GT(green, shell::kClientWidth * shell::kClientHeight * 95 / 100) << presses << " zooms in";
    }
    harness.finish();
}

}  // namespace
