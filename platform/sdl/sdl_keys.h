#pragma once
// Translation of SDL key codes into Windows virtual-key codes.
#include <SDL.h>

namespace win::sdl {

// The virtual-key code for an SDL key, or 0 for keys the programs never see. The keypad's
// digit and point keys give the main block's navigation keys while NumLock is off (as on
// Windows) and VK_NUMPAD0..9 / VK_DECIMAL while it is on.
int virtualKeyFromSdl(SDL_Keycode key, SDL_Keymod modifiers = KMOD_NONE);

}  // namespace win::sdl
