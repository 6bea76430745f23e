#pragma once
// The interactive backend: real windows, input and presentation through SDL2.

namespace win::sdl {

// Switches the platform to SDL windows. False, with a one-line message on stderr, when no
// display can be opened; the platform then stays on the headless backend.
bool useSdlBackend();

}  // namespace win::sdl
