#pragma once
// The messages the three programs' windows answer alike, written once: F12 and File, Save
// Picture (the picture), WM_PAINT (the off-screen surface onto the window) and WM_DESTROY
// (the quit message).
#include "platform/win.h"
#include "shell/picture.h"
#include "shell/presentation.h"

namespace shell {

// True when the message was one of these and has been answered (the paint from the run's
// presentation); `say` takes the picture's line (stderr without one).
bool handleCommonMessage(const Presentation& presentation, const char* programName, win::HWND window,
                         win::UINT message, win::WPARAM wParam, SayLine say = {});

}  // namespace shell
