// The view's world/pixel conversions that every drawing of the steering program uses.
#include "programs/steering/view_state.h"

#include <gtest/gtest.h>

namespace steering {
namespace {

TEST(ViewConversion, WorldToPixelAndBackTruncateTowardZero) {
    ViewState view;
    view.viewOriginX = 100.0;
    view.viewOriginY = -50.0;
    EXPECT_EQ(view.worldToPixelX(1600.0), 100);      // (1600 - 100) / 15
    EXPECT_EQ(view.worldToPixelX(90.0), 0);          // -0.67 truncates to 0
    EXPECT_EQ(view.worldToPixelX(70.0), -2);         // -2.0
    EXPECT_EQ(view.worldToPixelY(-50.0 + 29.0), 1);  // 1.93
    EXPECT_EQ(view.fixedToPixelX(toFixed(1600) + kFixedOne / 2), 100);
    EXPECT_EQ(view.fixedToPixelX(-kFixedOne / 2), view.worldToPixelX(-1.0));  // arithmetic shift first
    EXPECT_EQ(view.pixelToWorldX(10.0), 250);
    EXPECT_EQ(view.pixelToWorldY(3.0), -5);
    EXPECT_EQ(view.pixelToWorldY(3.1), -3);  // -3.5 truncates toward zero, not down to -4
}

}  // namespace
}  // namespace steering
