// Scrolling, zooming and jumping the view through key and mouse messages.
#include "tests/programs/steering/steering_fixture.h"

namespace shell_test {
namespace {


class ViewInput : public SteeringShell {};

TEST_F(ViewInput, LeftArrowClampsAtZero) {
    run().view.viewOriginX = 100.0;
    keyDown(win::VK_LEFT);
    EXPECT_EQ(run().view.viewOriginX, 0.0);
    run().view.viewOriginX = 300.0;
    keyDown(win::VK_LEFT);
    EXPECT_EQ(run().view.viewOriginX, 44.0);
    run().view.viewOriginX = 256.0;  // exactly reaching zero also gives zero
    keyDown(win::VK_LEFT);
    EXPECT_EQ(run().view.viewOriginX, 0.0);
    EXPECT_EQ(run().view.viewOriginY, 0.0);
}

TEST_F(ViewInput, UpArrowClampsAtZero) {
    run().view.viewOriginY = 300.0;
    keyDown(win::VK_UP);
    EXPECT_EQ(run().view.viewOriginY, 44.0);
    keyDown(win::VK_UP);
    EXPECT_EQ(run().view.viewOriginY, 0.0);
    EXPECT_EQ(run().view.viewOriginX, 0.0);
}

TEST_F(ViewInput, RightAndDownClampAtTheMapEdge) {
    run().view.viewOriginX = 65500.0;
    keyDown(win::VK_RIGHT);
    EXPECT_EQ(run().view.viewOriginX, 65536.0);
    keyDown(win::VK_RIGHT);
    EXPECT_EQ(run().view.viewOriginX, 65536.0);
    run().view.viewOriginY = 65000.0;
    keyDown(win::VK_DOWN);
    EXPECT_EQ(run().view.viewOriginY, 65256.0);
    keyDown(win::VK_DOWN);
    EXPECT_EQ(run().view.viewOriginY, 65512.0);
    keyDown(win::VK_DOWN);
    EXPECT_EQ(run().view.viewOriginY, 65536.0);
}

TEST_F(ViewInput, RepeatCountScrollsByItsLowSevenBits) {
    run().view.viewOriginX = 1000.0;
    keyDown(win::VK_RIGHT, 128);  // 128 & 0x7F = 0
    EXPECT_EQ(run().view.viewOriginX, 1000.0);
    keyDown(win::VK_RIGHT, 3);
    EXPECT_EQ(run().view.viewOriginX, 1000.0 + 3 * 256);
    keyDown(win::VK_LEFT, 129);  // one repetition
    EXPECT_EQ(run().view.viewOriginX, 1000.0 + 2 * 256);
    keyDown(win::VK_RIGHT, 127);
    EXPECT_EQ(run().view.viewOriginX, 1000.0 + 2 * 256 + 127 * 256);
}

TEST_F(ViewInput, ArrowReleasesAndOtherKeysDoNotScroll) {
    run().view.viewOriginX = 5000.0;
    run().view.viewOriginY = 5000.0;
    keyUp(win::VK_LEFT);
    keyUp(win::VK_DOWN);
    keyDown(win::VK_SPACE);
    keyDown(win::VK_HOME);
    keyDown(win::VK_NEXT);  // zoom acts on release only
    EXPECT_EQ(run().view.viewOriginX, 5000.0);
    EXPECT_EQ(run().view.viewOriginY, 5000.0);
    EXPECT_EQ(run().view.viewScaleX, 15.0);
}

TEST_F(ViewInput, PageDownThenPageUpReturnsToTheStartingScale) {
    run().view.viewOriginX = 777.0;
    keyUp(win::VK_NEXT);
    EXPECT_EQ(run().view.viewScaleX, 22.5);
    EXPECT_EQ(run().view.viewScaleY, 22.5);
    EXPECT_EQ(run().view.viewInvScaleX, 1.0 / 22.5);
    EXPECT_EQ(run().view.viewInvScaleY, 1.0 / 22.5);
    keyUp(win::VK_PRIOR);
    EXPECT_EQ(run().view.viewScaleX, 15.0);
    EXPECT_EQ(run().view.viewScaleY, 15.0);
    EXPECT_EQ(run().view.viewInvScaleX, 1.0 / 15.0);
    EXPECT_EQ(run().view.viewInvScaleY, 1.0 / 15.0);
    EXPECT_EQ(run().view.viewOriginX, 777.0);  // zoom is anchored at the top-left corner
}

TEST_F(ViewInput, ZoomHasNoLimitAndKeepsReciprocalsInStep) {
    for (int i = 0; i < 40; ++i) keyUp(win::VK_PRIOR);
    EXPECT_GT(run().view.viewScaleX, 0.0);
    EXPECT_LT(run().view.viewScaleX, 1e-5);
    EXPECT_EQ(run().view.viewInvScaleX, 1.0 / run().view.viewScaleX);
    EXPECT_EQ(run().view.viewInvScaleY, 1.0 / run().view.viewScaleY);
}

TEST_F(ViewInput, ZoomOutStopsOnceTheWholeMapFits) {
    // 15 * 1.5^5 = 113.9 units a pixel: 480 rows span 54,675 units, less than the map's
    // 65,536, so the sixth Page Down still zooms out, to 170.9 (82,013 units); then no more.
    for (int i = 0; i < 5; ++i) keyUp(win::VK_NEXT);
    EXPECT_EQ(run().view.viewScaleY, 15.0 * 1.5 * 1.5 * 1.5 * 1.5 * 1.5);
    keyUp(win::VK_NEXT);
    const double widest = 15.0 * 1.5 * 1.5 * 1.5 * 1.5 * 1.5 * 1.5;
    EXPECT_EQ(run().view.viewScaleX, widest);
    EXPECT_EQ(run().view.viewScaleY, widest);
    for (int i = 0; i < 3; ++i) keyUp(win::VK_NEXT);
    EXPECT_EQ(run().view.viewScaleX, widest);
    EXPECT_EQ(run().view.viewScaleY, widest);
    EXPECT_EQ(run().view.viewInvScaleX, 1.0 / widest);
    // One Page Up brings the previous scale back.
    keyUp(win::VK_PRIOR);
    EXPECT_DOUBLE_EQ(run().view.viewScaleX, widest * 2.0 / 3.0);
    EXPECT_LT(480 * run().view.viewScaleY, 65536.0);
}

TEST_F(ViewInput, RightButtonJumpsTheView) {
    send(win::WM_RBUTTONDOWN, win::MK_RBUTTON, at(10, 5));
    EXPECT_EQ(run().view.viewOriginX, 1020.0);
    EXPECT_EQ(run().view.viewOriginY, 680.0);
    send(win::WM_MOUSEMOVE, win::MK_RBUTTON, at(639, 479));
    EXPECT_EQ(run().view.viewOriginX, 639.0 * 102);
    EXPECT_EQ(run().view.viewOriginY, 479.0 * 136);
    EXPECT_EQ(run().view.viewScaleX, 15.0);
}

TEST_F(ViewInput, MouseMoveWithoutButtonsChangesNothing) {
    send(win::WM_MOUSEMOVE, 0, at(300, 200));
    EXPECT_EQ(run().view.viewOriginX, 0.0);
    EXPECT_EQ(run().mouseWorld.x, 0);
    EXPECT_EQ(run().mouseWorld.y, 0);
}

TEST_F(ViewInput, BothButtonsDragMovesOnlyTheInsertPoint) {
    send(win::WM_MOUSEMOVE, win::MK_LBUTTON | win::MK_RBUTTON, at(10, 20));
    EXPECT_EQ(run().view.viewOriginX, 0.0);
    EXPECT_EQ(run().view.viewOriginY, 0.0);
    EXPECT_EQ(run().mouseWorld.x, 150);
    EXPECT_EQ(run().mouseWorld.y, 300);
}

TEST_F(ViewInput, MouseToWorldUsesTheCurrentViewAndTruncates) {
    run().view.viewOriginX = 1000.0;
    run().view.viewOriginY = 2000.0;
    keyUp(win::VK_NEXT);  // scale 22.5
    send(win::WM_MOUSEMOVE, win::MK_LBUTTON, at(3, 1));
    EXPECT_EQ(run().mouseWorld.x, 1067);  // 3 * 22.5 + 1000 = 1067.5
    EXPECT_EQ(run().mouseWorld.y, 2022);  // 22.5 + 2000
}

TEST_F(ViewInput, VisibleRectFollowsTheView) {
    run().view.viewOriginX = 100.0;
    run().view.viewOriginY = 200.0;
    const steering::WorldRect rect = visibleWorldRect(run());
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.top, 200);
    EXPECT_EQ(rect.right, 640 * 15 + 100);
    EXPECT_EQ(rect.bottom, 480 * 15 + 200);
}

}  // namespace
}  // namespace shell_test
