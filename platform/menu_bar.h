#pragma once
// Layout, drawing and hit-testing of the menu bar strip and its drop-down menus, shared by
// the SDL backend (which shows them) and the headless window image (which composes them).
#include <cstdint>

#include "platform/host.h"
#include "platform/raster.h"
#include "platform/window_state.h"

namespace win::menubar {

constexpr int kTitlePadding = 6;     // pixels left and right of a title's text
constexpr int kFirstTitleX = 2;      // pixels from the bar's left edge to the first title
constexpr int kItemHeight = 18;      // pixels per drop-down item
constexpr int kSeparatorHeight = 7;  // pixels for a separator line
constexpr int kCheckGutter = 18;     // pixels left of the item text holding the check mark
constexpr int kItemRightPadding = 16;
constexpr int kMinDropDownWidth = 100;

struct Box {
    int left = 0;
    int top = 0;
    int right = 0;   // exclusive
    int bottom = 0;  // exclusive
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Text without its '&' markers, and the position of the marked letter (-1 if none).
int visibleLength(const char* text);
int mnemonicIndex(const char* text);
char mnemonicLetter(const char* text);  // lower case, 0 if none

// Title box of pop-up `index` in window coordinates (the bar starts at y = 0).
Box titleBox(const Menu& menu, int index);
// Drop-down box of pop-up `index` in window coordinates, and its item boxes.
Box dropDownBox(const Menu& menu, int index);
Box itemBox(const Menu& menu, int popup, int item);

int hitTitle(const Menu& menu, int x, int y);            // pop-up index or -1
int hitItem(const Menu& menu, int popup, int x, int y);  // item index (not a separator) or -1
// Entries are picked by their mnemonic, or by their first letter when they have none
// (the steering_basic "File" title); -1 when no entry matches.
int popupForLetter(const Menu& menu, char letter);
int itemForLetter(const Menu& menu, int popup, char letter);

// Draws into a canvas covering the whole window (menu bar strip on top, client area below).
void drawBar(const raster::Canvas& window, const Menu* menu, int openPopup);
void drawDropDown(const raster::Canvas& window, const Menu& menu, int popup, int hotItem);

// The window as a person sees it: bar strip, client image, and an open drop-down if any.
void composeWindow(const Menu* menu, const uint32_t* client, int clientWidth, int clientHeight, int openPopup,
                   int hotItem, host::Image& out);

}  // namespace win::menubar
