#pragma once
// Making the handle of a file drop: the SDL backend for a real drop, the headless driver
// for a "drop PATH" event.
#include <string>

#include "platform/win.h"

namespace win::host {

// A drop of one file; released by DragFinish (the receiving window procedure, or
// DefWindowProc).
HDROP makeDrop(const std::string& path);

}  // namespace win::host
