// Menus and icons of the three programs, check marks, and working the menu bar with the
// mouse and the keyboard.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/menu_bar.h"
#include "platform/menu_tracking.h"
#include "platform/window_state.h"
#include "tests/platform/test_window.h"

using namespace win;
using platform_test::makeProgramWindow;

namespace {

struct Expected {
    std::string text;
    UINT id;  // 0 for a separator
};

void expectPopup(const MenuPopup& popup, const std::string& title, const std::vector<Expected>& items) {
    EXPECT_EQ(popup.text, title);
    ASSERT_EQ(popup.items.size(), items.size()) << title;
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(popup.items[i].separator, items[i].id == 0) << title << " item " << i;
        EXPECT_EQ(popup.items[i].text, items[i].text) << title << " item " << i;
        EXPECT_EQ(popup.items[i].commandId, items[i].id) << title << " item " << i;
        EXPECT_FALSE(popup.items[i].checked);
    }
}

bool nextCommand(UINT& id) {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_COMMAND) {
            id = LOWORD(msg.wParam);
            return true;
        }
    }
    return false;
}

// Centre of a box, for clicks.
int midX(const menubar::Box& b) { return (b.left + b.right) / 2; }
int midY(const menubar::Box& b) { return (b.top + b.bottom) / 2; }

}  // namespace

TEST(ProgramMenus, SteeringHasFileDebugViewMapAndNavigation) {
    HMENU menu = GetMenu(makeProgramWindow("steering"));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->popups.size(), 5u);
    expectPopup(menu->popups[0], "&File", {{"Save &Picture (F12)", 40005}, {"", 0}, {"E&xit", 40004}});
    expectPopup(menu->popups[1], "&Debug",
                {{"&Neighbours", 40007}, {"&Grid", 40008}, {"&Vectors", 40009}, {"&Paths", 40010}});
    expectPopup(menu->popups[2], "&View", {{"Triangles", 40012}});
    expectPopup(menu->popups[3], "&Map",
                {{"&Edit (E)", 40040}, {"&Save (Ctrl+S)", 40041}, {"", 0}, {"&1 Wall", 40050},
                 {"&2 Open ground", 40051}, {"&3 Obstacle", 40052}, {"&4 Area 2", 40053}, {"&5 Area 3", 40054}});
    expectPopup(menu->popups[4], "&Navigation", {{"&Classic", 40020}, {"&Shortest paths", 40021}});
}

TEST(ProgramMenus, SteeringWallsHasFileAndDebug) {
    HMENU menu = GetMenu(makeProgramWindow("steering_walls"));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->popups.size(), 2u);
    expectPopup(menu->popups[0], "&File", {{"Save &Picture (F12)", 40005}, {"", 0}, {"E&xit", 40004}});
    expectPopup(menu->popups[1], "&Debug", {{"&Neighbours", 40007}, {"&Grid", 40008}, {"&Vectors", 40009}});
}

TEST(ProgramMenus, SteeringBasicHasOneFileMenuWithASeparator) {
    HMENU menu = GetMenu(makeProgramWindow("steering_basic"));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->popups.size(), 1u);
    expectPopup(menu->popups[0], "File",
                {{"&Debug", 40007}, {"Save &Picture (F12)", 40005}, {"", 0}, {"E&xit", 40004}});
}

TEST(ProgramIcons, EachProgramHasALargeAndASmallIcon) {
    for (const char* program : {"steering", "steering_walls", "steering_basic"}) {
        HINSTANCE instance = host::programInstance(*platform_test::programResources(program));
        ASSERT_NE(instance, nullptr) << program;
        EXPECT_EQ(host::programInstance(*platform_test::programResources(program)), instance)
            << "one instance per program";
        HICON large = LoadIcon(instance, MAKEINTRESOURCE(104));
        HICON small = LoadIcon(instance, MAKEINTRESOURCE(106));
        ASSERT_NE(large, nullptr) << program;
        ASSERT_NE(small, nullptr) << program;
        EXPECT_EQ(large->size, 32);
        EXPECT_EQ(small->size, 16);
        int opaque = 0;
        for (uint32_t p : large->pixels) {
            opaque += (p >> 24) != 0 ? 1 : 0;
        }
        EXPECT_GT(opaque, 32) << program << ": the icon shows something";
        EXPECT_EQ(LoadIcon(instance, MAKEINTRESOURCE(105)), nullptr);
    }
    EXPECT_NE(LoadCursor(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(LoadCursor(nullptr, MAKEINTRESOURCE(32513)), nullptr);
}

TEST(CheckMarks, CheckMenuItemReturnsThePreviousState) {
    HMENU menu = GetMenu(makeProgramWindow("steering"));
    EXPECT_EQ(CheckMenuItem(menu, 40009, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);
    EXPECT_TRUE(menu->popups[1].items[2].checked);
    EXPECT_EQ(CheckMenuItem(menu, 40009, MF_BYCOMMAND | MF_CHECKED), MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(menu, 40009, MF_BYCOMMAND | MF_UNCHECKED), MF_CHECKED);
    EXPECT_FALSE(menu->popups[1].items[2].checked);
    EXPECT_EQ(CheckMenuItem(menu, 40012, MF_CHECKED), MF_UNCHECKED);
    EXPECT_TRUE(menu->popups[2].items[0].checked);
    EXPECT_EQ(CheckMenuItem(menu, 12345, MF_CHECKED), 0xFFFFFFFFu);
    EXPECT_EQ(CheckMenuItem(nullptr, 40009, MF_CHECKED), 0xFFFFFFFFu);
}

TEST(CheckMarks, ACheckedItemLooksDifferentInTheOpenMenu) {
    HWND window = makeProgramWindow("steering");
    state().openPopup = 1;
    const host::Image before = host::windowImage();
    CheckMenuItem(GetMenu(window), 40008, MF_CHECKED);
    const host::Image after = host::windowImage();
    const menubar::Box item = menubar::itemBox(*GetMenu(window), 1, 1);
    int changed = 0;
    int changedElsewhere = 0;
    for (int y = 0; y < after.height; ++y) {
        for (int x = 0; x < after.width; ++x) {
            const size_t i = static_cast<size_t>(y) * after.width + x;
            if (before.pixels[i] != after.pixels[i]) {
                (item.contains(x, y) && x < item.left + menubar::kCheckGutter ? changed : changedElsewhere)++;
            }
        }
    }
    EXPECT_GT(changed, 5);
    EXPECT_EQ(changedElsewhere, 0);
}

TEST(MenuBar, TitlesAreLaidOutLeftToRightAndHitTested) {
    HMENU menu = GetMenu(makeProgramWindow("steering"));
    int lastRight = 0;
    for (int i = 0; i < 3; ++i) {
        const menubar::Box box = menubar::titleBox(*menu, i);
        EXPECT_GE(box.left, lastRight);
        EXPECT_GT(box.right, box.left);
        EXPECT_LE(box.bottom, kMenuBarHeight);
        EXPECT_EQ(menubar::hitTitle(*menu, midX(box), midY(box)), i);
        lastRight = box.right;
    }
    EXPECT_EQ(menubar::hitTitle(*menu, 600, 10), -1);
    EXPECT_EQ(menubar::hitTitle(*menu, 10, 100), -1);
}

TEST(MenuBar, SeparatorsAreNotChoosable) {
    HMENU menu = GetMenu(makeProgramWindow("steering_basic"));
    const menubar::Box separator = menubar::itemBox(*menu, 0, 2);
    EXPECT_EQ(menubar::hitItem(*menu, 0, midX(separator), midY(separator)), -1);
    const menubar::Box exit = menubar::itemBox(*menu, 0, 3);
    EXPECT_EQ(menubar::hitItem(*menu, 0, midX(exit), midY(exit)), 3);
    EXPECT_GE(exit.top, separator.bottom);
}

TEST(MenuBar, MnemonicsAreTheLettersAfterTheAmpersand) {
    EXPECT_EQ(menubar::mnemonicLetter("E&xit"), 'x');
    EXPECT_EQ(menubar::mnemonicLetter("&File"), 'f');
    EXPECT_EQ(menubar::mnemonicLetter("File"), 0);
    EXPECT_EQ(menubar::mnemonicLetter("A&&B"), 0);
    EXPECT_EQ(menubar::visibleLength("E&xit"), 4);
    EXPECT_EQ(menubar::visibleLength("A&&B"), 3);
    EXPECT_EQ(menubar::mnemonicIndex("E&xit"), 1);
}

TEST(MenuBar, WindowImageShowsTheBarAboveTheClientArea) {
    HWND window = makeProgramWindow("steering");
    const host::Image image = host::windowImage();
    ASSERT_EQ(image.width, 640);
    ASSERT_EQ(image.height, 500);
    // Text of the titles is drawn in the bar; the bar is light elsewhere.
    const menubar::Box file = menubar::titleBox(*GetMenu(window), 0);
    int dark = 0;
    for (int y = file.top; y < file.bottom; ++y) {
        for (int x = file.left; x < file.right; ++x) {
            dark += image.pixels[static_cast<size_t>(y) * 640 + x] == 0x000000 ? 1 : 0;
        }
    }
    EXPECT_GT(dark, 10);
    EXPECT_EQ(image.pixels[static_cast<size_t>(5) * 640 + 630], image.pixels[static_cast<size_t>(2) * 640 + 600]);
    const host::Image client = host::clientImage();
    for (int y = 0; y < 480; y += 37) {
        for (int x = 0; x < 640; x += 41) {
            ASSERT_EQ(image.pixels[static_cast<size_t>(y + 20) * 640 + x], client.pixels[static_cast<size_t>(y) * 640 + x]);
        }
    }
}

TEST(MenuTracking, ClickingATitleThenAnItemSendsItsCommand) {
    HWND window = makeProgramWindow("steering");
    const Menu& menu = *GetMenu(window);
    const menubar::Box debug = menubar::titleBox(menu, 1);
    EXPECT_EQ(menutrack::mouseDown(window, midX(debug), midY(debug)), menutrack::Result::Consumed);
    EXPECT_EQ(menutrack::mouseUp(window, midX(debug), midY(debug)), menutrack::Result::Consumed);
    EXPECT_TRUE(menutrack::isOpen());
    EXPECT_EQ(state().openPopup, 1);
    const menubar::Box grid = menubar::itemBox(menu, 1, 1);
    menutrack::mouseMove(window, midX(grid), midY(grid));
    EXPECT_EQ(state().hotItem, 1);
    menutrack::mouseDown(window, midX(grid), midY(grid));
    menutrack::mouseUp(window, midX(grid), midY(grid));
    EXPECT_FALSE(menutrack::isOpen());
    UINT id = 0;
    ASSERT_TRUE(nextCommand(id));
    EXPECT_EQ(id, 40008u);
}

TEST(MenuTracking, PressOnTitleDragToItemAndReleaseChooses) {
    HWND window = makeProgramWindow("steering");
    const Menu& menu = *GetMenu(window);
    const menubar::Box file = menubar::titleBox(menu, 0);
    menutrack::mouseDown(window, midX(file), midY(file));
    const menubar::Box exit = menubar::itemBox(menu, 0, 2);
    menutrack::mouseMove(window, midX(exit), midY(exit));
    menutrack::mouseUp(window, midX(exit), midY(exit));
    UINT id = 0;
    ASSERT_TRUE(nextCommand(id));
    EXPECT_EQ(id, 40004u);
}

TEST(MenuTracking, ClickOutsideClosesWithoutACommandAndClientClicksPassThrough) {
    HWND window = makeProgramWindow("steering");
    const menubar::Box view = menubar::titleBox(*GetMenu(window), 2);
    menutrack::mouseDown(window, midX(view), midY(view));
    menutrack::mouseUp(window, midX(view), midY(view));
    EXPECT_EQ(menutrack::mouseDown(window, 500, 400), menutrack::Result::Consumed);
    EXPECT_EQ(menutrack::mouseUp(window, 500, 400), menutrack::Result::Consumed);
    EXPECT_FALSE(menutrack::isOpen());
    UINT id = 0;
    EXPECT_FALSE(nextCommand(id));
    EXPECT_EQ(menutrack::mouseDown(window, 500, 400), menutrack::Result::NotMine);
    EXPECT_EQ(menutrack::mouseMove(window, 500, 400), menutrack::Result::NotMine);
}

TEST(MenuTracking, AltAndTheUnderlinedLetterOpenAMenu) {
    HWND window = makeProgramWindow("steering");
    EXPECT_EQ(menutrack::keyDown(window, 'D', true), menutrack::Result::Consumed);
    EXPECT_EQ(state().openPopup, 1);
    EXPECT_EQ(state().hotItem, 0);
    EXPECT_EQ(menutrack::keyUp(window, 'D'), menutrack::Result::Consumed);
    EXPECT_EQ(menutrack::keyDown(window, 'P', false), menutrack::Result::Consumed);
    UINT id = 0;
    ASSERT_TRUE(nextCommand(id));
    EXPECT_EQ(id, 40010u);
    EXPECT_EQ(menutrack::keyUp(window, 'P'), menutrack::Result::Consumed) << "its release is the menu's too";
    EXPECT_EQ(menutrack::keyDown(window, 'Q', true), menutrack::Result::NotMine) << "no menu has Q";
    EXPECT_EQ(menutrack::keyDown(window, 'D', false), menutrack::Result::NotMine) << "without Alt it is a key";
}

TEST(MenuTracking, ArrowsReturnAndEscapeWorkAnOpenMenu) {
    HWND window = makeProgramWindow("steering_basic");
    menutrack::keyDown(window, 'F', true);
    EXPECT_EQ(state().openPopup, 0);
    EXPECT_EQ(state().hotItem, 0);
    menutrack::keyDown(window, static_cast<int>(VK_DOWN), false);
    EXPECT_EQ(state().hotItem, 1);
    menutrack::keyDown(window, static_cast<int>(VK_DOWN), false);
    EXPECT_EQ(state().hotItem, 3) << "the separator is skipped";
    menutrack::keyDown(window, static_cast<int>(VK_DOWN), false);
    EXPECT_EQ(state().hotItem, 0);
    menutrack::keyDown(window, static_cast<int>(VK_UP), false);
    EXPECT_EQ(state().hotItem, 3);
    menutrack::keyDown(window, static_cast<int>(VK_ESCAPE), false);
    EXPECT_FALSE(menutrack::isOpen());
    EXPECT_EQ(menutrack::keyUp(window, static_cast<int>(VK_ESCAPE)), menutrack::Result::Consumed)
        << "the Escape that closed the menu must not reach the program";
    EXPECT_EQ(menutrack::keyUp(window, static_cast<int>(VK_ESCAPE)), menutrack::Result::NotMine);
    menutrack::keyDown(window, static_cast<int>(VK_F1) + 9, false);  // F10
    menutrack::keyDown(window, static_cast<int>(VK_RETURN), false);
    UINT id = 0;
    ASSERT_TRUE(nextCommand(id));
    EXPECT_EQ(id, 40007u);
}
