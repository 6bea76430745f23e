// SDL key codes to Windows virtual-key codes.
#include "platform/sdl/sdl_keys.h"

#include "platform/win.h"

namespace win::sdl {

namespace {

// The keypad's keys in SDL's order 1..9, 0, then the point: what each gives with NumLock off.
constexpr WPARAM kKeypadNavigation[] = {VK_END, VK_DOWN, VK_NEXT, VK_LEFT, VK_CLEAR, VK_RIGHT,
                                        VK_HOME, VK_UP,  VK_PRIOR, VK_INSERT, VK_DELETE};

int keypadKey(SDL_Keycode key, SDL_Keymod modifiers) {
    int index = -1;
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
        index = key - SDLK_KP_1;
    } else if (key == SDLK_KP_0) {
        index = 9;
    } else if (key == SDLK_KP_PERIOD) {
        index = 10;
    } else {
        return 0;
    }
    if ((modifiers & KMOD_NUM) == 0) {
        return static_cast<int>(kKeypadNavigation[index]);
    }
    if (index == 10) {
        return static_cast<int>(VK_DECIMAL);
    }
    return static_cast<int>(VK_NUMPAD0) + (index == 9 ? 0 : index + 1);
}

}  // namespace

int virtualKeyFromSdl(SDL_Keycode key, SDL_Keymod modifiers) {
    if (const int keypad = keypadKey(key, modifiers); keypad != 0) {
        return keypad;
    }
    if (key >= SDLK_a && key <= SDLK_z) {
        return 'A' + (key - SDLK_a);
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return '0' + (key - SDLK_0);
    }
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        return static_cast<int>(VK_F1) + (key - SDLK_F1);
    }
    switch (key) {
        case SDLK_BACKSPACE: return static_cast<int>(VK_BACK);
        case SDLK_TAB: return static_cast<int>(VK_TAB);
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return static_cast<int>(VK_RETURN);
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return static_cast<int>(VK_SHIFT);
        case SDLK_LCTRL:
        case SDLK_RCTRL: return static_cast<int>(VK_CONTROL);
        case SDLK_LALT:
        case SDLK_RALT: return static_cast<int>(VK_MENU);
        case SDLK_ESCAPE: return static_cast<int>(VK_ESCAPE);
        case SDLK_SPACE: return static_cast<int>(VK_SPACE);
        case SDLK_PAGEUP: return static_cast<int>(VK_PRIOR);
        case SDLK_PAGEDOWN: return static_cast<int>(VK_NEXT);
        case SDLK_END: return static_cast<int>(VK_END);
        case SDLK_HOME: return static_cast<int>(VK_HOME);
        case SDLK_LEFT: return static_cast<int>(VK_LEFT);
        case SDLK_UP: return static_cast<int>(VK_UP);
        case SDLK_RIGHT: return static_cast<int>(VK_RIGHT);
        case SDLK_DOWN: return static_cast<int>(VK_DOWN);
        case SDLK_INSERT: return static_cast<int>(VK_INSERT);
        case SDLK_DELETE: return static_cast<int>(VK_DELETE);
        default: return 0;
    }
}

}  // namespace win::sdl
