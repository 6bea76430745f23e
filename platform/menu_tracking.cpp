// Menu tracking: one drop-down open at a time; a click on a title opens or closes it, moving
// over another title switches to it, releasing over an item chooses it.
#include "platform/menu_tracking.h"

#include "platform/menu_bar.h"

namespace win::menutrack {
namespace {

// The key whose press closed or chose from the menu; its release is swallowed so that the
// program never sees half of a key stroke.
int swallowedKeyUp = 0;
// True from a press on a title until the matching release, so the release does not choose.
bool pressedOnTitle = false;
// True from a press the menu used until its release, which then belongs to the menu as well.
bool pressCaptured = false;

void open(int popup) {
    PlatformState& s = state();
    s.openPopup = popup;
    s.hotItem = -1;
}

void choose(Window* window, int popup, int item) {
    const MenuItem& chosen = window->menu->popups[popup].items[item];
    close();
    PostMessage(window, WM_COMMAND, chosen.commandId, 0);
}

int nextSelectable(const MenuPopup& popup, int from, int step) {
    const int n = static_cast<int>(popup.items.size());
    if (n == 0) {
        return -1;
    }
    int i = from;
    for (int tries = 0; tries < n; ++tries) {
        i = ((i + step) % n + n) % n;
        if (!popup.items[i].separator) {
            return i;
        }
    }
    return -1;
}

}  // namespace

bool isOpen() { return state().openPopup >= 0; }

void close() {
    PlatformState& s = state();
    s.openPopup = -1;
    s.hotItem = -1;
}

Result mouseDown(Window* window, int x, int y) {
    if (window == nullptr || window->menu == nullptr) {
        return Result::NotMine;
    }
    const Menu& menu = *window->menu;
    const int title = menubar::hitTitle(menu, x, y);
    pressCaptured = true;
    if (title >= 0) {
        if (state().openPopup == title) {
            close();
        } else {
            open(title);
        }
        pressedOnTitle = true;
        return Result::Consumed;
    }
    if (y < kMenuBarHeight) {
        close();
        return Result::Consumed;
    }
    if (isOpen()) {
        if (!menubar::dropDownBox(menu, state().openPopup).contains(x, y)) {
            close();  // a click outside only dismisses the menu
        }
        return Result::Consumed;
    }
    pressCaptured = false;
    return Result::NotMine;
}

Result mouseUp(Window* window, int x, int y) {
    if (window == nullptr || window->menu == nullptr) {
        return Result::NotMine;
    }
    if (pressedOnTitle) {
        pressedOnTitle = false;
        if (!isOpen() || y < kMenuBarHeight) {
            pressCaptured = false;
            return Result::Consumed;  // a plain click on a title leaves its menu open
        }
    }
    const bool captured = pressCaptured;
    pressCaptured = false;
    if (!isOpen()) {
        return (captured || y < kMenuBarHeight) ? Result::Consumed : Result::NotMine;
    }
    const int popup = state().openPopup;
    const int item = menubar::hitItem(*window->menu, popup, x, y);
    if (item >= 0) {
        choose(window, popup, item);
    }
    return Result::Consumed;
}

Result mouseMove(Window* window, int x, int y) {
    if (window == nullptr || window->menu == nullptr || !isOpen()) {
        return Result::NotMine;
    }
    const Menu& menu = *window->menu;
    const int title = menubar::hitTitle(menu, x, y);
    if (title >= 0 && title != state().openPopup) {
        open(title);
    }
    state().hotItem = menubar::hitItem(menu, state().openPopup, x, y);
    return Result::Consumed;
}

Result keyDown(Window* window, int virtualKey, bool alt) {
    if (window == nullptr || window->menu == nullptr || window->menu->popups.empty()) {
        return Result::NotMine;
    }
    const Menu& menu = *window->menu;
    PlatformState& s = state();
    const bool letter = (virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9');
    if (!isOpen()) {
        if (alt && letter) {
            const int popup = menubar::popupForLetter(menu, static_cast<char>(virtualKey));
            if (popup < 0) {
                return Result::NotMine;
            }
            open(popup);
            s.hotItem = nextSelectable(menu.popups[popup], -1, 1);
            swallowedKeyUp = virtualKey;
            return Result::Consumed;
        }
        if (virtualKey == static_cast<int>(VK_F1) + 9) {  // F10 opens the first menu, as on Windows
            open(0);
            s.hotItem = nextSelectable(menu.popups[0], -1, 1);
            swallowedKeyUp = virtualKey;
            return Result::Consumed;
        }
        return Result::NotMine;
    }
    const int popup = s.openPopup;
    const MenuPopup& items = menu.popups[popup];
    const int popupCount = static_cast<int>(menu.popups.size());
    swallowedKeyUp = virtualKey;
    if (alt && letter) {
        const int other = menubar::popupForLetter(menu, static_cast<char>(virtualKey));
        if (other >= 0) {
            open(other);
            s.hotItem = nextSelectable(menu.popups[other], -1, 1);
        }
        return Result::Consumed;
    }
    switch (virtualKey) {
        case static_cast<int>(VK_ESCAPE):
        case static_cast<int>(VK_MENU):
            close();
            break;
        case static_cast<int>(VK_DOWN):
            s.hotItem = nextSelectable(items, s.hotItem, 1);
            break;
        case static_cast<int>(VK_UP):
            s.hotItem = nextSelectable(items, s.hotItem < 0 ? 0 : s.hotItem, -1);
            break;
        case static_cast<int>(VK_LEFT):
            open((popup + popupCount - 1) % popupCount);
            s.hotItem = nextSelectable(menu.popups[s.openPopup], -1, 1);
            break;
        case static_cast<int>(VK_RIGHT):
            open((popup + 1) % popupCount);
            s.hotItem = nextSelectable(menu.popups[s.openPopup], -1, 1);
            break;
        case static_cast<int>(VK_RETURN):
            if (s.hotItem >= 0) {
                choose(window, popup, s.hotItem);
            }
            break;
        default:
            if (letter) {
                const int item = menubar::itemForLetter(menu, popup, static_cast<char>(virtualKey));
                if (item >= 0) {
                    choose(window, popup, item);
                }
            }
            break;
    }
    return Result::Consumed;
}

Result keyUp(Window* /*window*/, int virtualKey) {
    if (swallowedKeyUp != 0 && swallowedKeyUp == virtualKey) {
        swallowedKeyUp = 0;
        return Result::Consumed;
    }
    return isOpen() ? Result::Consumed : Result::NotMine;
}

}  // namespace win::menutrack
