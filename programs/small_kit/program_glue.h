#pragma once
// What the runs of both small programs do alike: the messages they answer the same way
// (those every program answers, then the mouse rule, then their own key releases and
// menu commands) and the checks round a trace row.
#include <cstddef>

#include "platform/win.h"
#include "programs/small_kit/double_vec.h"
#include "programs/small_kit/mouse_targets.h"
#include "shell/window_messages.h"

namespace small_kit {

// True when the message was one every program answers (picture, paint, destroy) or one
// of the mouse rule's (and the targets followed it).
inline bool handleSharedMessage(const shell::Presentation& presentation, const char* programName, win::HWND window,
                                win::UINT message, win::WPARAM wParam, win::LPARAM lParam, DoubleVec& leftTarget,
                                DoubleVec& rightTarget) {
    return shell::handleCommonMessage(presentation, programName, window, message, wParam) ||
           moveMouseTargets(message, wParam, lParam, leftTarget, rightTarget);
}

// A small program's window procedure on its world (which has leftButtonTarget and
// rightButtonTarget): the shared messages, then key releases to
// onKeyUp(world, window, key) and menu commands to onCommand(world, window, id), every
// other message to DefWindowProc.
template <typename World, typename OnKeyUp, typename OnCommand>
win::LRESULT dispatchMessage(const shell::Presentation& presentation, const char* programName, World& world,
                             win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam,
                             OnKeyUp onKeyUp, OnCommand onCommand) {
    if (handleSharedMessage(presentation, programName, window, message, wParam, lParam,
                            world.leftButtonTarget.position, world.rightButtonTarget.position)) {
        return 0;
    }
    switch (message) {
        case win::WM_KEYUP: onKeyUp(world, window, wParam); return 0;
        case win::WM_COMMAND: onCommand(world, window, win::LOWORD(wParam)); return 0;
        default: return win::DefWindowProc(window, message, wParam, lParam);
    }
}

// The trace row of agent `index` of `count`, as format(index, buffer, size) writes it
// (snprintf's result); -1 for an index out of range, no buffer, or a row that does not
// fit with its terminator.
template <typename Format>
int writeTraceRow(std::size_t count, int index, char* buffer, int size, Format&& format) {
    if (index < 0 || static_cast<std::size_t>(index) >= count || buffer == nullptr || size <= 0) return -1;
    const int written = format(static_cast<std::size_t>(index), buffer, static_cast<std::size_t>(size));
    return written >= 0 && written < size ? written : -1;
}

}  // namespace small_kit
