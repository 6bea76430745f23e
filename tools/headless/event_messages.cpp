#include "tools/headless/event_messages.h"

#include "platform/drop_files.h"

namespace headless {
namespace {

using namespace win;

// Key-up lParam as Windows builds it: repeat count 1, previous state and transition bits set.
constexpr LPARAM kKeyUpLParam = static_cast<LPARAM>(0xC0000001u);

LPARAM keyDownLParam(uint32_t repeat) { return static_cast<LPARAM>(repeat & 0xFFFF); }
LPARAM pointLParam(const InputEvent& e) { return MAKELPARAM(static_cast<WORD>(e.x), static_cast<WORD>(e.y)); }

}  // namespace

int messagesForEvent(const InputEvent& e, WindowMessage out[kMaxMessagesPerEvent]) {
    switch (e.kind) {
        case EventKind::Key:
            out[0] = {WM_KEYDOWN, e.key, keyDownLParam(1)};
            out[1] = {WM_KEYUP, e.key, kKeyUpLParam};
            return 2;
        case EventKind::KeyDown: out[0] = {WM_KEYDOWN, e.key, keyDownLParam(e.repeat)}; return 1;
        case EventKind::KeyUp: out[0] = {WM_KEYUP, e.key, kKeyUpLParam}; return 1;
        case EventKind::LeftClick:
            out[0] = {WM_LBUTTONDOWN, MK_LBUTTON, pointLParam(e)};
            out[1] = {WM_LBUTTONUP, 0, pointLParam(e)};
            return 2;
        case EventKind::RightClick:
            out[0] = {WM_RBUTTONDOWN, MK_RBUTTON, pointLParam(e)};
            out[1] = {WM_RBUTTONUP, 0, pointLParam(e)};
            return 2;
        case EventKind::LeftDown: out[0] = {WM_LBUTTONDOWN, MK_LBUTTON, pointLParam(e)}; return 1;
        case EventKind::LeftUp: out[0] = {WM_LBUTTONUP, 0, pointLParam(e)}; return 1;
        case EventKind::RightDown: out[0] = {WM_RBUTTONDOWN, MK_RBUTTON, pointLParam(e)}; return 1;
        case EventKind::RightUp: out[0] = {WM_RBUTTONUP, 0, pointLParam(e)}; return 1;
        case EventKind::LeftDrag: out[0] = {WM_MOUSEMOVE, MK_LBUTTON, pointLParam(e)}; return 1;
        case EventKind::RightDrag: out[0] = {WM_MOUSEMOVE, MK_RBUTTON, pointLParam(e)}; return 1;
        case EventKind::Move: out[0] = {WM_MOUSEMOVE, 0, pointLParam(e)}; return 1;
        case EventKind::Menu: out[0] = {WM_COMMAND, e.command, 0}; return 1;
        case EventKind::Close: out[0] = {WM_CLOSE, 0, 0}; return 1;
        case EventKind::Drop: {
            // The window procedure (or DefWindowProc) releases the handle.
            const HDROP drop = host::makeDrop(e.path);
            if (drop == nullptr) return 0;
            out[0] = {WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0};
            return 1;
        }
    }
    return 0;
}

}  // namespace headless
