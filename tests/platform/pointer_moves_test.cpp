// The pointer's moves as the window system hands them to a program: one pending move that a
// newer one replaces, made into WM_MOUSEMOVE only when nothing else waits, in order with the
// other input, and taking turns with painting so neither starves the other.
#include <gtest/gtest.h>

#include <vector>

#include "platform/window_state.h"
#include "tests/platform/test_window.h"

using namespace win;
using platform_test::makeProgramWindow;
using platform_test::pumpAll;
using platform_test::received;

namespace {

LPARAM at(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

// The messages of a run of removals (not dispatched), until nothing is left or a limit.
std::vector<MSG> take(int limit) {
    std::vector<MSG> taken;
    MSG msg;
    while (static_cast<int>(taken.size()) < limit && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE) &&
           msg.message != WM_QUIT) {
        taken.push_back(msg);
    }
    return taken;
}

class PointerMoves : public ::testing::Test {
protected:
    void SetUp() override {
        window = makeProgramWindow();
        pumpAll();
        received().clear();
    }
    void TearDown() override {
        DestroyWindow(window);
        pumpAll();
        MSG quit;
        PeekMessage(&quit, nullptr, 0, 0, PM_REMOVE);
    }
    HWND window = nullptr;
};

TEST_F(PointerMoves, ANewerMoveReplacesThePendingOne) {
    postMouseMove(window, 0, at(10, 10));
    postMouseMove(window, MK_LBUTTON, at(11, 12));
    postMouseMove(window, MK_RBUTTON, at(200, 300));
    EXPECT_EQ(pumpAll(), 1);
    ASSERT_EQ(received().size(), 1u);
    EXPECT_EQ(received()[0].message, WM_MOUSEMOVE);
    EXPECT_EQ(received()[0].wParam, MK_RBUTTON);
    EXPECT_EQ(received()[0].lParam, at(200, 300));
}

TEST_F(PointerMoves, OtherInputKeepsItsPlaceAmongTheMoves) {
    // Moves before a click are not merged with moves after it.
    postMouseMove(window, 0, at(1, 1));
    postMouseMove(window, 0, at(2, 2));
    postInput(window, WM_LBUTTONDOWN, MK_LBUTTON, at(2, 2));
    postMouseMove(window, MK_LBUTTON, at(3, 3));
    postMouseMove(window, MK_LBUTTON, at(4, 4));
    postInput(window, WM_KEYDOWN, VK_INSERT, host::keyDownLParam(1, false));
    postMouseMove(window, 0, at(5, 5));
    const std::vector<MSG> taken = take(10);
    const std::vector<std::pair<UINT, LPARAM>> expected = {{WM_MOUSEMOVE, at(2, 2)}, {WM_LBUTTONDOWN, at(2, 2)},
                                                           {WM_MOUSEMOVE, at(4, 4)}, {WM_KEYDOWN, host::keyDownLParam(1, false)},
                                                           {WM_MOUSEMOVE, at(5, 5)}};
    ASSERT_EQ(taken.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(taken[i].message, expected[i].first) << i;
        EXPECT_EQ(taken[i].lParam, expected[i].second) << i;
    }
}

TEST_F(PointerMoves, MovesAndPaintWaitForPostedMessagesThenTakeTurns) {
    postMouseMove(window, MK_RBUTTON, at(50, 60));
    InvalidateRect(window, nullptr, FALSE);
    PostMessage(window, WM_COMMAND, 40009, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_COMMAND) << "a posted message comes before the move and the paint";
    // A program whose every frame invalidates its window while the pointer keeps moving:
    // moves and paints alternate, so the screen follows the pointer.
    std::vector<UINT> order;
    for (int frame = 0; frame < 4; ++frame) {
        ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
        const UINT peeked = msg.message;
        ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.message, peeked) << "a peek without removal shows what the removal takes";
        order.push_back(msg.message);
        DispatchMessage(&msg);
        InvalidateRect(window, nullptr, FALSE);  // the frame tick
        postMouseMove(window, MK_RBUTTON, at(51 + frame, 60));
    }
    // Which goes first depends on what was made last before; after that they alternate.
    const UINT other = order[0] == WM_MOUSEMOVE ? WM_PAINT : WM_MOUSEMOVE;
    EXPECT_EQ(order, (std::vector<UINT>{order[0], other, order[0], other}));
    EXPECT_TRUE(order[0] == WM_MOUSEMOVE || order[0] == WM_PAINT);
}

TEST_F(PointerMoves, FilteredPeeksAndDestructionRespectThePendingMove) {
    postMouseMove(window, 0, at(7, 8));
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_KEYDOWN, WM_KEYUP, PM_REMOVE)) << "the move is outside the filter";
    ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_NOREMOVE));
    EXPECT_EQ(msg.lParam, at(7, 8));
    DestroyWindow(window);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) << "a destroyed window's pending move is dropped";
    window = nullptr;
}

TEST_F(PointerMoves, AMoveOverAnotherWindowDoesNotReplaceThisOnes) {
    const HWND other = makeProgramWindow();
    pumpAll();
    postMouseMove(window, 0, at(1, 1));
    postMouseMove(other, 0, at(2, 2));
    const std::vector<MSG> taken = take(10);
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].hwnd, window);
    EXPECT_EQ(taken[0].lParam, at(1, 1));
    EXPECT_EQ(taken[1].hwnd, other);
    EXPECT_EQ(taken[1].lParam, at(2, 2));
}

}  // namespace
