#pragma once
// The window messages an input-file event stands for: the same ones the SDL backend
// sends for the real key press, click, drag or menu selection.
#include "platform/win.h"
#include "tools/headless/input_script.h"

namespace headless {

struct WindowMessage {
    win::UINT message = 0;
    win::WPARAM wParam = 0;
    win::LPARAM lParam = 0;
};

constexpr int kMaxMessagesPerEvent = 2;  // a press and its release

// Fills out[] and returns how many messages the event makes (1 or 2).
int messagesForEvent(const InputEvent& event, WindowMessage out[kMaxMessagesPerEvent]);

}  // namespace headless
