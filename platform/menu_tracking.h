#pragma once
// How a person works the menu bar: clicks on titles and items, Alt plus a mnemonic letter,
// F10 and the arrow keys. Backend-neutral, so that tests can drive it without a display.
// Coordinates are window coordinates: the menu bar strip starts at y = 0, the client area
// at y = kMenuBarHeight.
#include "platform/window_state.h"

namespace win::menutrack {

enum class Result {
    NotMine,   // the event belongs to the client area
    Consumed,  // the menu used the event; redraw the bar
};

bool isOpen();
void close();

Result mouseDown(Window* window, int x, int y);
Result mouseUp(Window* window, int x, int y);  // a release over an item posts WM_COMMAND
Result mouseMove(Window* window, int x, int y);
// A key press: `virtualKey` as on Windows; `alt` when Alt is held.
Result keyDown(Window* window, int virtualKey, bool alt);
// Releases while the menu is open are the menu's; so is the release of the key that closed it.
Result keyUp(Window* window, int virtualKey);

}  // namespace win::menutrack
