#pragma once
// Translation of SDL key codes into Windows virtual-key codes.
#include <SDL.h>

namespace win::sdl {

// The virtual-key code for an SDL key, or 0 for keys the programs never see.
int virtualKeyFromSdl(SDL_Keycode key);

}  // namespace win::sdl
