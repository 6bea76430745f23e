#pragma once
// The mouse rule of both small programs: a button press puts that button's target under
// the pointer, and a drag moves it; with both buttons held only the left target follows.
#include <cstdint>

#include "platform/win.h"
#include "programs/small_kit/double_vec.h"

namespace small_kit {

// True when the message was a button press or a pointer move (and the targets followed it).
inline bool moveMouseTargets(win::UINT message, win::WPARAM wParam, win::LPARAM lParam, DoubleVec& leftTarget,
                             DoubleVec& rightTarget) {
    const uintptr_t bits = static_cast<uintptr_t>(lParam);
    const DoubleVec point{static_cast<double>(win::LOWORD(bits)), static_cast<double>(win::HIWORD(bits))};
    switch (message) {
        case win::WM_LBUTTONDOWN: leftTarget = point; return true;
        case win::WM_RBUTTONDOWN: rightTarget = point; return true;
        case win::WM_MOUSEMOVE:
            if ((wParam & win::MK_LBUTTON) != 0) {
                leftTarget = point;
            } else if ((wParam & win::MK_RBUTTON) != 0) {
                rightTarget = point;
            }
            return true;
        default: return false;
    }
}

}  // namespace small_kit
