#pragma once
// A headless window made the way the programs make theirs, and a record of the messages its
// procedure received.
#include <vector>

#include "platform/host.h"
#include "platform/win.h"

namespace platform_test {

struct Received {
    win::UINT message;
    win::WPARAM wParam;
    win::LPARAM lParam;
};

// Every message the test window procedure saw, in order.
std::vector<Received>& received();

// Records the message; WM_DESTROY posts the quit message with code 7; WM_PAINT paints
// (begin, end); everything else goes to DefWindowProc.
win::LRESULT recordingProcedure(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);

// The menus and icons of "steering", "steering_walls" or "steering_basic"; null otherwise.
const win::resources::ProgramResources* programResources(const char* program);

// Registers "Steering Test" for the given program and creates, shows and updates the window.
win::HWND makeProgramWindow(const char* program = "steering", int show = win::SW_SHOWDEFAULT);

// Removes and dispatches every waiting message except WM_QUIT; returns how many.
int pumpAll();

}  // namespace platform_test
