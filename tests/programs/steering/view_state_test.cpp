// The view's world/pixel conversions that every drawing of the steering program uses.
#include "programs/steering/view_state.h"

#include <gtest/gtest.h>

namespace steering {
namespace {

TEST(ViewConversion, WorldToPixelAndBackTruncateTowardZero) {
    view = ViewState{};
    view.viewOriginX = 100.0;
    view.viewOriginY = -50.0;
    EXPECT_EQ(worldToPixelX(1600.0), 100);      // (1600 - 100) / 15
    EXPECT_EQ(worldToPixelX(90.0), 0);          // -0.67 truncates to 0
    EXPECT_EQ(worldToPixelX(70.0), -2);         // -2.0
    EXPECT_EQ(worldToPixelY(-50.0 + 29.0), 1);  // 1.93
    EXPECT_EQ(fixedToPixelX(toFixed(1600) + kFixedOne / 2), 100);
    EXPECT_EQ(fixedToPixelX(-kFixedOne / 2), worldToPixelX(-1.0));  // arithmetic shift first
    EXPECT_EQ(pixelToWorldX(10.0), 250);
    EXPECT_EQ(pixelToWorldY(3.0), -5);
    EXPECT_EQ(pixelToWorldY(3.1), -3);  // -3.5 truncates toward zero, not down to -4
    view = ViewState{};
}

}  // namespace
}  // namespace steering
