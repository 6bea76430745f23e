// The window system's rules: painting when idle, quitting after destruction, the message
// parameters the programs decode, and the geometry of a window with a menu bar.
#include <gtest/gtest.h>

#include "tests/platform/test_window.h"

using namespace win;
using platform_test::makeProgramWindow;
using platform_test::received;

namespace {

bool peek(MSG& msg, UINT remove = PM_REMOVE) { return PeekMessage(&msg, nullptr, 0, 0, remove) != 0; }

int countOf(UINT message) {
    int n = 0;
    for (const auto& r : received()) {
        n += r.message == message ? 1 : 0;
    }
    return n;
}

}  // namespace

TEST(WindowCreation, ProgramWindowHasClientAreaMenuAndMainRole) {
    HWND window = makeProgramWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(host::mainWindow(), window);
    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(client.top, 0);
    EXPECT_EQ(client.right, 640);
    EXPECT_EQ(client.bottom, 480);
    EXPECT_NE(GetMenu(window), nullptr);
    ASSERT_FALSE(received().empty());
    EXPECT_EQ(received().front().message, WM_CREATE);
    // UpdateWindow painted the new window at once.
    EXPECT_EQ(countOf(WM_PAINT), 1);
}

TEST(WindowCreation, AdjustWindowRectAddsTheMenuBarOnly) {
    RECT rect{0, 0, 640, 480};
    ASSERT_TRUE(AdjustWindowRect(&rect, WS_CAPTION | WS_SYSMENU, TRUE));
    EXPECT_EQ(rect.right - rect.left, 640);
    EXPECT_EQ(rect.bottom - rect.top, 480 + 20);
    RECT plain{0, 0, 640, 480};
    AdjustWindowRect(&plain, WS_CAPTION | WS_SYSMENU, FALSE);
    EXPECT_EQ(plain.bottom - plain.top, 480);
}

TEST(WindowCreation, ClientToScreenAddsThePositionAndTheMenuBar) {
    HWND window = makeProgramWindow();
    POINT origin{0, 0};
    ASSERT_TRUE(ClientToScreen(window, &origin));
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 20);
    RECT r{0, 0, 640, 480};
    OffsetRect(&r, origin.x, origin.y);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.bottom, 500);
}

TEST(WindowCreation, UnknownClassOrProgramGivesNull) {
    EXPECT_EQ(CreateWindowEx(0, "No Such Class", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    WNDCLASSEX nameless{};
    nameless.lpfnWndProc = platform_test::recordingProcedure;
    EXPECT_EQ(RegisterClassEx(&nameless), 0);
}

TEST(WindowCreation, CreateRefusedByTheProcedureFails) {
    WNDCLASSEX wc{};
    wc.lpfnWndProc = [](HWND, UINT message, WPARAM, LPARAM) -> LRESULT { return message == WM_CREATE ? -1 : 0; };
    wc.lpszClassName = "Refusing";
    ASSERT_NE(RegisterClassEx(&wc), 0);
    EXPECT_EQ(CreateWindowEx(0, "Refusing", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(host::mainWindow(), nullptr);
}

TEST(PaintRule, PaintComesOnlyWhenTheQueueIsEmptyAndTheWindowIsInvalid) {
    HWND window = makeProgramWindow();
    MSG msg;
    EXPECT_FALSE(peek(msg)) << "a painted window with an empty queue has nothing to deliver";
    InvalidateRect(window, nullptr, FALSE);
    PostMessage(window, WM_KEYDOWN, VK_LEFT, host::keyDownLParam(1, false));
    ASSERT_TRUE(peek(msg));
    EXPECT_EQ(msg.message, WM_KEYDOWN) << "posted messages come before painting";
    ASSERT_TRUE(peek(msg));
    EXPECT_EQ(msg.message, WM_PAINT);
    EXPECT_EQ(msg.hwnd, window);
    // Removing WM_PAINT does not validate: it comes again until the window is painted.
    ASSERT_TRUE(peek(msg));
    EXPECT_EQ(msg.message, WM_PAINT);
    DispatchMessage(&msg);
    EXPECT_FALSE(peek(msg));
}

TEST(PaintRule, InvalidRectanglesAccumulateAndReachBeginPaint) {
    HWND window = makeProgramWindow();
    const RECT a{10, 20, 30, 40};
    const RECT b{100, 5, 120, 25};
    InvalidateRect(window, &a, FALSE);
    InvalidateRect(window, &b, FALSE);
    PAINTSTRUCT paint;
    ASSERT_NE(BeginPaint(window, &paint), nullptr);
    EXPECT_EQ(paint.rcPaint.left, 10);
    EXPECT_EQ(paint.rcPaint.top, 5);
    EXPECT_EQ(paint.rcPaint.right, 120);
    EXPECT_EQ(paint.rcPaint.bottom, 40);
    EndPaint(window, &paint);
    MSG msg;
    EXPECT_FALSE(peek(msg));
    // A rectangle wholly outside the client area invalidates nothing.
    const RECT outside{700, 0, 800, 10};
    InvalidateRect(window, &outside, FALSE);
    EXPECT_FALSE(peek(msg));
}

TEST(PaintRule, HiddenWindowsAreNotPainted) {
    HWND window = makeProgramWindow("steering", SW_HIDE);
    InvalidateRect(window, nullptr, FALSE);
    MSG msg;
    EXPECT_FALSE(peek(msg));
    ShowWindow(window, SW_SHOW);
    ASSERT_TRUE(peek(msg));
    EXPECT_EQ(msg.message, WM_PAINT);
}

TEST(PaintRule, DefaultHandlingOfPaintValidates) {
    HWND window = makeProgramWindow();
    InvalidateRect(window, nullptr, FALSE);
    DefWindowProc(window, WM_PAINT, 0, 0);
    MSG msg;
    EXPECT_FALSE(peek(msg));
}

TEST(QuitRule, CloseDestroysTheWindowWhichQuits) {
    HWND window = makeProgramWindow();
    received().clear();
    PostMessage(window, WM_CLOSE, 0, 0);
    MSG msg;
    ASSERT_TRUE(peek(msg));
    EXPECT_EQ(msg.message, WM_CLOSE);
    DispatchMessage(&msg);
    ASSERT_EQ(received().size(), 2u);
    EXPECT_EQ(received()[0].message, WM_CLOSE);
    EXPECT_EQ(received()[1].message, WM_DESTROY);
    EXPECT_EQ(host::mainWindow(), nullptr);
    EXPECT_EQ(GetMenu(window), nullptr);
    ASSERT_TRUE(peek(msg));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(peek(msg)) << "the quit message is delivered once";
}

TEST(QuitRule, QuitWaitsForPostedMessagesAndMessagesToDeadWindowsAreDropped) {
    HWND window = makeProgramWindow();
    PostMessage(window, WM_KEYUP, VK_INSERT, host::keyUpLParam());
    PostQuitMessage(3);
    MSG msg;
    ASSERT_TRUE(peek(msg));
    EXPECT_EQ(msg.message, WM_KEYUP);
    PostMessage(window, WM_KEYUP, VK_DELETE, host::keyUpLParam());
    DestroyWindow(window);
    EXPECT_FALSE(PostMessage(window, WM_KEYUP, VK_DELETE, 0));
    ASSERT_TRUE(peek(msg));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u) << "the later PostQuitMessage of WM_DESTROY sets the code";
}

TEST(QuitRule, PeekWithoutRemovalLeavesTheMessage) {
    HWND window = makeProgramWindow();
    PostMessage(window, WM_COMMAND, 40008, 0);
    MSG msg;
    ASSERT_TRUE(peek(msg, PM_NOREMOVE));
    ASSERT_TRUE(peek(msg, PM_NOREMOVE));
    ASSERT_TRUE(peek(msg, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_COMMAND);
    EXPECT_EQ(LOWORD(msg.wParam), 40008);
    EXPECT_FALSE(peek(msg));
}

TEST(Messages, DispatchHandsTheParametersToTheProcedure) {
    HWND window = makeProgramWindow();
    received().clear();
    PostMessage(window, WM_KEYDOWN, VK_RIGHT, host::keyDownLParam(5, true));
    PostMessage(window, WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, MAKELPARAM(630, 470));
    PostMessage(window, WM_COMMAND, 40012, 0);
    EXPECT_EQ(platform_test::pumpAll(), 3);
    ASSERT_EQ(received().size(), 3u);
    EXPECT_EQ(received()[0].message, WM_KEYDOWN);
    EXPECT_EQ(received()[0].wParam, VK_RIGHT);
    EXPECT_EQ(received()[0].lParam & 0xFFFF, 5);
    EXPECT_EQ(received()[1].wParam & MK_LBUTTON, MK_LBUTTON);
    EXPECT_EQ(received()[1].wParam & MK_RBUTTON, MK_RBUTTON);
    EXPECT_EQ(LOWORD(static_cast<uintptr_t>(received()[1].lParam)), 630);
    EXPECT_EQ(HIWORD(static_cast<uintptr_t>(received()[1].lParam)), 470);
    EXPECT_EQ(LOWORD(received()[2].wParam), 40012);
}

TEST(Messages, KeyParametersFollowTheWindowsLayout) {
    const auto down = static_cast<uint32_t>(host::keyDownLParam(128, false, 0x4B));
    EXPECT_EQ(down & 0xFFFF, 128u);
    EXPECT_EQ((down >> 16) & 0xFF, 0x4Bu);
    EXPECT_EQ(down >> 30, 0u);
    const auto repeated = static_cast<uint32_t>(host::keyDownLParam(1, true));
    EXPECT_EQ((repeated >> 30) & 1, 1u);
    EXPECT_EQ(repeated >> 31, 0u);
    const auto up = static_cast<uint32_t>(host::keyUpLParam());
    EXPECT_EQ(up & 0xFFFF, 1u);
    EXPECT_EQ(up >> 30, 3u);
}

TEST(Messages, FullQueueRefusesFurtherMessages) {
    HWND window = makeProgramWindow();
    int accepted = 0;
    while (PostMessage(window, WM_MOUSEMOVE, 0, 0) && accepted < 100000) {
        ++accepted;
    }
    EXPECT_GT(accepted, 1000);
    EXPECT_LT(accepted, 100000);
    EXPECT_EQ(platform_test::pumpAll(), accepted);
}

TEST(Messages, NullMessageAndWindowArgumentsAreRefused) {
    EXPECT_FALSE(PeekMessage(nullptr, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessage(nullptr), 0);
    EXPECT_FALSE(GetClientRect(nullptr, nullptr));
    EXPECT_FALSE(DestroyWindow(nullptr));
    EXPECT_EQ(BeginPaint(nullptr, nullptr), nullptr);
}

TEST(Clock, VirtualTickCountIsSettableAndWraps) {
    host::setTickCount(1000);
    EXPECT_EQ(GetTickCount(), 1000u);
    host::advanceTickCount(11);
    EXPECT_EQ(GetTickCount(), 1011u);
    host::setTickCount(0xFFFFFFF0u);
    host::advanceTickCount(0x20);
    EXPECT_EQ(GetTickCount(), 0x10u);
    // The programs' gate: unsigned difference across the wrap.
    EXPECT_EQ(GetTickCount() - 0xFFFFFFF0u, 0x20u);
}

TEST(Clock, PostedMessagesCarryTheTime) {
    HWND window = makeProgramWindow();
    host::setTickCount(4242);
    PostMessage(window, WM_KEYUP, VK_ESCAPE, host::keyUpLParam());
    MSG msg;
    ASSERT_TRUE(peek(msg));
    EXPECT_EQ(msg.time, 4242u);
}

TEST(Cursor, ShowCursorCountsUpAndDown) {
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_EQ(ShowCursor(TRUE), 1);
}

TEST(Backend, HeadlessIsTheDefault) {
    EXPECT_TRUE(host::isHeadless());
    host::useHeadlessBackend();
    EXPECT_TRUE(host::isHeadless());
}

TEST(KeyNames, NamesAndCodesGiveVirtualKeys) {
    EXPECT_EQ(host::virtualKeyFromName("Left"), 0x25);
    EXPECT_EQ(host::virtualKeyFromName("insert"), 0x2D);
    EXPECT_EQ(host::virtualKeyFromName("Prior"), 0x21);
    EXPECT_EQ(host::virtualKeyFromName("Next"), 0x22);
    EXPECT_EQ(host::virtualKeyFromName("Escape"), 0x1B);
    EXPECT_EQ(host::virtualKeyFromName("Space"), 0x20);
    EXPECT_EQ(host::virtualKeyFromName("a"), 'A');
    EXPECT_EQ(host::virtualKeyFromName("F10"), 0x79);
    EXPECT_EQ(host::virtualKeyFromName("46"), 46);
    EXPECT_EQ(host::virtualKeyFromName("256"), -1);
    EXPECT_EQ(host::virtualKeyFromName("F25"), -1);
    EXPECT_EQ(host::virtualKeyFromName("Sideways"), -1);
    EXPECT_EQ(host::virtualKeyFromName(""), -1);
}

TEST(QuitRule, DestroyingAgainFromDestroyIsRefused) {
    WNDCLASSEX wc{};
    wc.lpfnWndProc = [](HWND window, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_DESTROY) {
            EXPECT_FALSE(DestroyWindow(window));
            PostQuitMessage(0);
        }
        return 0;
    };
    wc.lpszClassName = "Twice";
    ASSERT_NE(RegisterClassEx(&wc), 0);
    HWND window = CreateWindowEx(0, "Twice", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_FALSE(DestroyWindow(window));
}

TEST(Messages, FilteredPeekTakesTheFirstMatchAndKeepsTheOrderOfTheRest) {
    HWND window = makeProgramWindow();
    PostMessage(window, WM_KEYDOWN, 1, 0);
    PostMessage(window, WM_COMMAND, 2, 0);
    PostMessage(window, WM_KEYUP, 3, 0);
    PostMessage(window, WM_COMMAND, 4, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    const WPARAM rest[] = {1, 3, 4};
    for (WPARAM expected : rest) {
        ASSERT_TRUE(peek(msg));
        EXPECT_EQ(msg.wParam, expected);
    }
    // The queue wraps around its end without losing order.
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 3000; ++i) {
            ASSERT_TRUE(PostMessage(window, WM_MOUSEMOVE, static_cast<WPARAM>(i), 0));
        }
        for (int i = 0; i < 3000; ++i) {
            ASSERT_TRUE(peek(msg));
            ASSERT_EQ(msg.wParam, static_cast<WPARAM>(i));
        }
    }
}
